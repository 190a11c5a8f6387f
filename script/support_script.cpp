#include "script/support_script.h"

namespace script {
namespace {

constexpr std::string_view kSupportScript =
    "function get__count(c){var i=-2;for(v in c)i++;return i}\n"
    // No JSON of our own: an engine that lacks it cannot hold documents at all.
    "if (typeof JSON !== 'object' || typeof JSON.stringify !== 'function' ||\n"
    "    typeof JSON.parse !== 'function') {\n"
    "  throw new Error('this script engine has no JSON');\n"
    "}\n"
    "if (typeof Object.prototype.toJSONString !== 'function') {\n"
    "  Object.prototype.toJSONString = function (filter) {\n"
    "    return JSON.stringify(this, filter);\n"
    "  };\n"
    "  Object.prototype.parseJSON = function (filter) {\n"
    "    return JSON.parse(this, filter);\n"
    "  };\n"
    "}\n";

static_assert(kSupportScript.starts_with(kGetCountFunction));

}  // namespace

std::string_view support_script() {
  return kSupportScript;
}

}  // namespace script
