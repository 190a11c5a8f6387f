#pragma once
// The two request values sent with every link, and the form body that carries them.
//
// r is a run of random decimal digits; s is the CRC-32 (zlib's) of the UTF-8 bytes of
// link + "@" + r, as unsigned decimal. Both are computed by small JavaScript functions in the
// given script host. The link reaches the signature function as data, never as script text, so
// quotes, backslashes and line breaks in it are signed over as the characters they are.
//
// A script the engine rejects gives an empty r or s; the body is still built with it.

#include <string_view>

#include "net/text.h"
#include "script/script_host.h"

namespace resolve {

// Defines the random-number function in `host` and calls it: the digits after "0." of a
// uniformly random number in [0, 1).
net::Text make_nonce(script::ScriptHost& host);

// Defines generateStr in `host` and calls it with link + "@" + r.
net::Text make_signature(script::ScriptHost& host, std::string_view link, std::string_view r);

// "link=" + the link's GBK bytes percent-encoded (letters, digits, "-" and "." kept) +
// "&r=" + r + "&s=" + s.
net::Text build_form_body(std::string_view link, std::string_view r, std::string_view s);

}  // namespace resolve
