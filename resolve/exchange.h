#pragma once
// The one conversation with the parse service through which a link is resolved.
//
// Both actions follow the same order: make the two script hosts and the document, fetch the
// front-end page's cookies, make r and s, classify the link, and (for a link to be sent) post
// the signed form to the site's path. The reply is decoded into the document; nothing here
// looks at statuses or tells the user anything.

#include <cstdint>
#include <functional>
#include <string_view>

#include "net/text.h"
#include "resolve/site_table.h"
#include "resolve/window.h"
#include "script/json_document.h"
#include "script/script_host.h"

namespace resolve {

// Called while a request runs, so the window can keep painting and show progress.
using TransferProgress = std::function<void(std::int64_t received, std::int64_t total)>;

// The nine header lines sent with every request to the API host, joined by CR LF.
net::Text service_header_block();

// The cookies the front-end page sets, as "name=value; name=value".
net::Text fetch_service_cookies(const TransferProgress& progress = {});

// Posts `body` with the header block and `cookies` to the rule's path and loads the decoded
// reply into `document`. Cookies the reply sets are merged into `cookies`.
void query_parse_service(const SiteRule& rule, const net::Text& body, net::Text& cookies,
                         script::JsonDocument& document, const TransferProgress& progress = {});

// A Xiaoying link that already is a video address; it is never sent to the service.
bool is_video_address(const SiteRule& rule, std::string_view link);

// What one click holds while it resolves a link; released when the click ends.
struct Click {
  script::ScriptHost nonce_host{"ScriptControl"};
  script::ScriptHost signature_host{"ScriptControl"};
  script::JsonDocument document{};
  net::Text cookies{};
  net::Text link{};
  net::Text r{};
  net::Text s{};
  const SiteRule* rule = nullptr;  // nullptr: no site matches the link
};

enum class Resolved {
  no_site,        // the link matches no row: nothing was sent
  video_address,  // a Xiaoying video address: nothing was sent
  queried,        // the service was asked; its reply (or nothing usable) is in the document
};

// The calling order both actions share, from the cookies to the reply in the document. The link
// is read from the window's URL box once the cookies are in.
Resolved resolve_link(Click& click, Window& window, const TransferProgress& progress = {});

}  // namespace resolve
