#pragma once
// The share address the URL box holds at start: one Douyin video, so a click on "解析" right
// after start has something to parse.

#include <string_view>

namespace resolve {

inline constexpr std::string_view kSampleShareLink =
    "https://www.iesdouyin.com/share/video/7012345678901234567/?region=CN&mid=7012345678901234568"
    "&u_code=0&titleType=title&utm_source=copy_link&utm_campaign=client_share&utm_medium=android"
    "&app=aweme&iid=1234567890&timestamp=1633000000";

}  // namespace resolve
