#include "resolve/signing.h"

#include "net/encode.h"

namespace resolve {
namespace {

constexpr std::string_view kNonceScript =
    "function a() {\r\nvar c = Math.random().toString(10).substring(2);\r\nreturn c;\n}";

// CRC-32 over the UTF-8 form of the argument, encoded here from its UTF-16 code units; the
// table is built on every call. A unit from D800 to DFFF is always the first of a pair.
constexpr std::string_view kSignatureScript =
    "function generateStr(a) {\r\n"
    "  var table = [], d, g, e;\r\n"
    "  for (g = 0; g < 256; g++) {\r\n"
    "    d = g;\r\n"
    "    for (e = 0; e < 8; e++) d = (d & 1) ? (-306674912 ^ (d >>> 1)) : (d >>> 1);\r\n"
    "    table[g] = d;\r\n"
    "  }\r\n"
    "  var h = -1;\r\n"
    "  function feed(b) { h = (h >>> 8) ^ table[(h ^ b) & 255]; }\r\n"
    "  for (var i = 0; i < a.length; i++) {\r\n"
    "    var j = a.charCodeAt(i);\r\n"
    "    if (j < 0x80) {\r\n"
    "      feed(j);\r\n"
    "    } else if (j < 0x800) {\r\n"
    "      feed(0xC0 | ((j >> 6) & 31)); feed(0x80 | (j & 63));\r\n"
    "    } else if (j >= 0xD800 && j <= 0xDFFF) {\r\n"
    "      var jp = (j & 1023) + 64, k = a.charCodeAt(++i) & 1023;\r\n"
    "      feed(0xF0 | ((jp >> 8) & 7)); feed(0x80 | ((jp >> 2) & 63));\r\n"
    "      feed(0x80 | ((k >> 6) & 15) | ((jp & 3) << 4)); feed(0x80 | (k & 63));\r\n"
    "    } else {\r\n"
    "      feed(0xE0 | ((j >> 12) & 15)); feed(0x80 | ((j >> 6) & 63)); feed(0x80 | (j & 63));\r\n"
    "    }\r\n"
    "  }\r\n"
    "  return (h ^ -1) >>> 0;\r\n"
    "}";

}  // namespace

net::Text make_nonce(script::ScriptHost& host) {
  host.ExecuteStatement(kNonceScript);
  return host.Eval("a('')");
}

net::Text make_signature(script::ScriptHost& host, std::string_view link, std::string_view r) {
  host.ExecuteStatement(kSignatureScript);
  const net::Text signed_text = net::Text(link) + "@" + net::Text(r);
  return host.Run("generateStr", signed_text);
}

net::Text build_form_body(std::string_view link, std::string_view r, std::string_view s) {
  return "link=" + net::url_encode(link, {.keep_safe = true}) + "&r=" + net::Text(r) + "&s=" + net::Text(s);
}

}  // namespace resolve
