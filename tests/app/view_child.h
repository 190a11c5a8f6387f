#pragma once
// Some properties of the HTML view hold for a whole process (its proxy settings are read once,
// when the web engine starts), so their tests run the view in a child process of this program.
// The child is this same test program started with kViewChildVariable set to an address.

namespace testing_support {

inline constexpr const char* kViewChildVariable = "VIDPARSE_VIEW_CHILD_ADDRESS";

// The child's work: shows the preview of `address` and waits until the video has played a
// little or failed; returns 0 when it played. Call after the application object exists.
int run_view_child(const char* address);

}  // namespace testing_support
