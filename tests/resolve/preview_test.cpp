#include "resolve/preview.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/fake_window.h"

namespace {

namespace fs = std::filesystem;

// The page around the flash variable and the player size, as the player expects it.
std::string page_with(const std::string& video, const std::string& width, const std::string& height) {
  return "<html>\r\n<embed src=\"ckplayer/ckplayer.swf\" flashvars=\"video=" + video +
         "\"  quality=\"high\" width=\"" + width + "\" height=\"" + height +
         "\" align=\"middle\" allowScriptAccess=\"always\" allowFullscreen=\"true\" "
         "type=\"application/x-shockwave-flash\"></embed>\r\n</html>";
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "preview_test.XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

TEST(PreviewPage, ExactBytesForAnAddressWithAmpersandPlaceholderAndQuote) {
  // "{高度}" inside the address is replaced as well, and the quote cannot end the attribute.
  const std::string address = "http://v.example/a.mp4?x=1&y=\"2\"{\xB8\xDF\xB6\xC8}";  // {高度}
  const std::string expected =
      "<html>\r\n"
      "<embed src=\"ckplayer/ckplayer.swf\" flashvars=\"video=http://v.example/a.mp4?x=1%26y=%222%22597\""
      "  quality=\"high\" width=\"430\" height=\"597\" align=\"middle\" allowScriptAccess=\"always\" "
      "allowFullscreen=\"true\" type=\"application/x-shockwave-flash\"></embed>\r\n"
      "</html>";
  testing_support::FakeWindow window;  // 480 x 632, the view's size in the window
  TempFolder folder;
  const fs::path page = folder.path() / resolve::kPreviewPageName;
  resolve::set_preview_page_path(page.string());

  resolve::show_preview(window, address);

  EXPECT_EQ(read_file(page), expected);
  ASSERT_EQ(window.navigations.size(), 1u);
  EXPECT_EQ(window.navigations[0], page.string());
}

struct PageCase {
  const char* proves;
  std::string address;
  int width;
  int height;
  std::string video;  // what the flash variable holds
};

TEST(PreviewPage, FillsTheTemplateInItsOrder) {
  const PageCase cases[] = {
      {"an empty address leaves the variable empty", "", 430, 597, ""},
      {"every & of the address is encoded, doubled ones too", "a?b=1&c=2&&d", 430, 597, "a?b=1%26c=2%26%26d"},
      {"a width mark in the address gets the width, after & is encoded", "x{\xBF\xED\xB6\xC8}&", 7, 9,
       "x7%26"},  // {宽度}
      {"markup characters cannot open a tag", "a<script>\"b\"</script>", 430, 597,
       "a%3Cscript%3E%22b%22%3C/script%3E"},
      {"the escapes of markup carry no & the page would encode again", "\"&\"", 1, 2, "%22%26%22"},
      {"GBK text of the address stays as it is", "\xCA\xD3\xC6\xB5.mp4", 430, 597,  // 视频
       "\xCA\xD3\xC6\xB5.mp4"},
      {"a placeholder of the template that the address spells is not the template's own", "{video}", 430, 597,
       "{video}"},
  };
  for (const PageCase& row : cases) {
    EXPECT_EQ(resolve::preview_page(row.address, row.width, row.height),
              page_with(row.video, std::to_string(row.width), std::to_string(row.height)))
        << row.proves;
  }
}

TEST(PreviewPage, PlayerSizeFollowsTheViewEachTime) {
  testing_support::FakeWindow window;
  TempFolder folder;
  const fs::path page = folder.path() / resolve::kPreviewPageName;
  resolve::set_preview_page_path(page.string());

  window.width = 300;
  window.height = 100;
  resolve::show_preview(window, "first");
  EXPECT_EQ(read_file(page), page_with("first", "250", "65"));

  window.width = 40;  // narrower than the margin: the size goes below zero as computed
  window.height = 635;
  resolve::show_preview(window, "second");
  EXPECT_EQ(read_file(page), page_with("second", "-10", "600"));

  EXPECT_EQ(window.navigations.size(), 2u);
  // The page is replaced in place: nothing else is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(PreviewPage, UnwritablePathStillNavigatesAndKeepsTheEarlierPage) {
  testing_support::FakeWindow window;
  TempFolder folder;

  const fs::path missing = folder.path() / "no-such-folder" / resolve::kPreviewPageName;
  resolve::set_preview_page_path(missing.string());
  resolve::show_preview(window, "v");
  EXPECT_FALSE(fs::exists(missing.parent_path()));
  ASSERT_EQ(window.navigations.size(), 1u);
  EXPECT_EQ(window.navigations[0], missing.string());

  // A page path that cannot be replaced (a folder stands there) keeps what is there and leaves
  // no half-written file beside it.
  const fs::path blocked = folder.path() / "blocked.html";
  fs::create_directory(blocked);
  std::ofstream(blocked / "inside") << "kept";
  resolve::set_preview_page_path(blocked.string());
  resolve::show_preview(window, "v");
  EXPECT_EQ(read_file(blocked / "inside"), "kept");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
  EXPECT_EQ(window.navigations.size(), 2u);
}

}  // namespace
