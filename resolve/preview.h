#pragma once
// The preview page: a small HTML page beside the program that embeds the video player with the
// video's address and a player size taken from the HTML view; the view then opens it.

#include <string>
#include <string_view>

#include "net/text.h"
#include "resolve/window.h"

namespace resolve {

// The page's file name in the run directory.
inline constexpr std::string_view kPreviewPageName = "ZERU_Flash.html";

// Where every preview is written: a UTF-8 path, set once the window has been created
// (run directory + "/" + kPreviewPageName) and read by every preview after that.
void set_preview_page_path(std::string utf8_path);
const std::string& preview_page_path();

// The page for `address` and a player of `width` x `height` pixels, as GBK bytes. The
// address's "&", '"', '<' and '>' arrive percent-encoded, so it cannot leave the attribute it
// is put into; the view's player script decodes them back.
net::Text preview_page(std::string_view address, int width, int height);

// Builds the page for the HTML view's present size (50 px narrower, 35 px lower), writes it to
// the preview page path (an earlier page stays when the write fails) and navigates the view
// there in any case.
void show_preview(Window& window, const net::Text& address);

}  // namespace resolve
