#pragma once
// Saving one video into the download folder beside the program.
//
// The body streams into a temporary file in the download folder as it arrives, so memory stays
// flat whatever the size. Five random digits are then written over bytes 129 to 133 (1-based):
// a video of 133 bytes or more keeps its length, one of 129 to 132 bytes grows to 133, and a
// shorter one gets the digits appended. Only a complete video (a 2xx status, a non-empty body,
// every announced byte) is given its final name, "<seconds>.<publisher domain>.mp4", and never
// in place of an existing file: when the name is taken, "_2", "_3", ... follow the seconds.
// Whatever fails leaves no file of the video behind.

#include <functional>
#include <string>
#include <string_view>

#include "net/text.h"
#include "resolve/exchange.h"
#include "resolve/timestamp.h"

namespace resolve {

// 解析视频下载
inline constexpr std::string_view kDownloadFolderName = "\xBD\xE2\xCE\xF6\xCA\xD3\xC6\xB5\xCF\xC2\xD4\xD8";

// The run directory and the download folder's name, as a UTF-8 path.
std::string download_folder();

// A source of whole numbers from 10000 to 99999, seeded afresh from the system's entropy each
// time it is made, so runs do not repeat one another's digits.
std::function<int()> seeded_digits();

// What saving depends on besides the address. The defaults are the real clock, a freshly
// seeded digit source and the real download folder; tests put their own in.
struct DownloadSeams {
  std::function<LocalTime()> clock = local_now;
  std::function<int()> digits = seeded_digits();  // a value outside 10000..99999 is clamped
  std::string folder = download_folder();         // UTF-8; created (one level) when missing
};

// Fetches `address` with web_request's defaults (redirects followed, no cookies, 15-second
// no-progress bounds) and saves it. `progress` sees the body bytes received and the announced
// total (-1 when unknown) while the request runs. The UTF-8 path of the saved file, or the
// empty string when the video was not saved: an empty address, a transport error or time-out,
// a status outside 200-299, an empty body, fewer bytes than announced, a folder that cannot be
// created or a file that cannot be written.
std::string save_video(const net::Text& address, const DownloadSeams& seams,
                       const TransferProgress& progress = {});

}  // namespace resolve
