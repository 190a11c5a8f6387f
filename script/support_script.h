#pragma once
// The script every JsonDocument engine is given before it holds any value.
//
// Three pieces, in this order:
//  1. get__count, which counts what a for-in loop enumerates, less the two methods of piece 3;
//  2. guards for engines without JSON: Duktape has JSON.stringify and JSON.parse built in, so
//     nothing is installed here (a missing JSON makes the script fail instead);
//  3. toJSONString and parseJSON on the prototype of all objects, added by plain assignment so
//     that they are enumerable: every for-in over a plain object or array yields them too.

#include <string_view>

namespace script {

inline constexpr std::string_view kGetCountFunction =
    "function get__count(c){var i=-2;for(v in c)i++;return i}";

// All three pieces joined, ready to be added as code.
std::string_view support_script();

}  // namespace script
