#pragma once
// The check for a newer release, run once when the window has been created.
//
// The program's version, "2.1", is compared byte for byte with the version file on the
// publisher's server. When they differ, a box offers the newer release: OK opens the address
// that the download-address file holds in the user's browser (an http or https address only),
// and either button closes the window, which ends the program. When the version file cannot be
// fetched (no connection, a status outside 200-299, an empty body, more than a megabyte)
// nothing is offered and the program works offline.
//
// Both files come by a plain HTTP/1.0 GET with the one header "Accept: */*" and no cookies,
// through the program's request object: the proxy environment applies, and a server that stays
// silent is given up after 15 seconds without a byte. The window keeps painting meanwhile.

#include <functional>
#include <string_view>

#include "net/text.h"
#include "resolve/window.h"

namespace app {

inline constexpr std::string_view kOwnVersion = "2.1";
inline constexpr std::string_view kVersionPath = "/ruanjian/sp/banben.txt";
inline constexpr std::string_view kDownloadAddressPath = "/ruanjian/xzdz.txt";

// Hands an address to the desktop's default handler for web addresses (the user's browser).
void open_in_browser(const net::Text& address);

struct UpdateSeams {
  std::function<void(const net::Text& address)> open_address = open_in_browser;
};

void check_for_update(resolve::Window& window);
void check_for_update(resolve::Window& window, const UpdateSeams& seams);

}  // namespace app
