#pragma once
// The click on "下载": resolve the URL box's link as "解析" does, show the title, the addresses
// and the cover, then save every video the reply names into the download folder and tell the
// user how it went: "视频已经下载成功" when every video was saved, "部分视频下载失败" when some
// were, "视频下载失败" when none was (a reply that names no video included). A link that matches
// no site ends the click silently. The preview is never touched.
//
// Per site: Kuaishou's "data.video" is one address when it is a text and a list when it is an
// array, and its addresses keep their "#mp4"; every other site's addresses lose each "#mp4" (any
// letter case) before the download. Huoshan's cover is "data.cover[0]". A Xiaoying link that is
// already a video address is saved from the link up to its first "?" (the whole link when it has
// none) without asking the service. After each file of a list the window runs its events for
// 1000 ms; while a video downloads the window shows its progress.

#include "resolve/save_video.h"
#include "resolve/window.h"

namespace resolve {

// With the real clock, a freshly seeded digit source and the real download folder.
void download_action(Window& window);
void download_action(Window& window, const DownloadSeams& seams);

}  // namespace resolve
