#include "resolve/preview.h"

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace resolve {
namespace {

constexpr std::string_view kTemplate =
    "<html>\r\n"
    "<embed src=\"ckplayer/ckplayer.swf\" flashvars=\"video={video}\"  quality=\"high\" "
    "width=\"{\xBF\xED\xB6\xC8}\" height=\"{\xB8\xDF\xB6\xC8}\" align=\"middle\" "  // {宽度} {高度}
    "allowScriptAccess=\"always\" allowFullscreen=\"true\" type=\"application/x-shockwave-flash\">"
    "</embed>\r\n"
    "</html>";

constexpr std::string_view kWidthMark = "{\xBF\xED\xB6\xC8}";   // {宽度}
constexpr std::string_view kHeightMark = "{\xB8\xDF\xB6\xC8}";  // {高度}

// The characters that would end the attribute or open a tag. "&" is left to the page's own
// replacement, which runs over the whole page after the address is in.
net::Text escape_markup(std::string_view address) {
  net::Text text = net::replace_all(address, "\"", "%22");
  text = net::replace_all(text, "<", "%3C");
  return net::replace_all(text, ">", "%3E");
}

// Writes beside the target and renames over it, so a reader never sees half a page and a
// failed write keeps the earlier one.
void write_replacing(const std::string& path, std::string_view bytes) {
  if (path.empty()) return;
  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) std::filesystem::remove(temporary, error);
}

std::string& page_path() {
  static std::string path;
  return path;
}

}  // namespace

void set_preview_page_path(std::string utf8_path) {
  page_path() = std::move(utf8_path);
}

const std::string& preview_page_path() {
  return page_path();
}

net::Text preview_page(std::string_view address, int width, int height) {
  net::Text page = net::replace_all(kTemplate, "{video}", escape_markup(address));
  page = net::replace_all(page, kHeightMark, std::to_string(height));
  page = net::replace_all(page, "&", "%26");
  return net::replace_all(page, kWidthMark, std::to_string(width));
}

void show_preview(Window& window, const net::Text& address) {
  const int height = window.view_height() - 35;
  const int width = window.view_width() - 50;
  write_replacing(preview_page_path(), preview_page(address, width, height));
  window.navigate_view(preview_page_path());
}

}  // namespace resolve
