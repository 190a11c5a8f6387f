#include "net/cookies.h"

#include <utility>

namespace net {
namespace {

constexpr std::string_view kQuoteWord = "#\xD2\xFD\xBA\xC5";  // #引号
constexpr std::string_view kDeleted = "=deleted";
constexpr std::string_view kListSeparator = "; ";

std::vector<Text> trimmed_items(std::string_view list) {
  std::vector<Text> items = split(list, ";");
  for (Text& item : items)
    item = trim(item);
  return items;
}

bool is_deleted(std::string_view item) {
  return item.ends_with(kDeleted);
}

}  // namespace

Text header_name(std::string_view line) {
  const int colon = find_text(line, ":");
  if (colon == -1)
    return {};
  return trim(line.substr(0, static_cast<std::size_t>(colon - 1)));
}

Text header_value(std::string_view line) {
  const int colon = find_text(line, ":");
  if (colon == -1)
    return {};
  return trim(line.substr(static_cast<std::size_t>(colon)));
}

Text text_between(std::string_view text, std::string_view front, std::string_view back, int start,
                  bool ignore_case) {
  const Text front_marker = replace_all(front, kQuoteWord, "\"");
  const Text back_marker = replace_all(back, kQuoteWord, "\"");

  int front_at = find_text(text, front_marker, start, ignore_case);
  if (front_at == -1)
    return {};
  // An empty front marker stands for the start of the text, whatever `start` said.
  if (front_marker.empty())
    front_at = 1;

  const int content_at = front_at + static_cast<int>(front_marker.size());
  const int back_at = find_text(text, back_marker, content_at, ignore_case);
  if (back_at == -1)
    return {};
  return Text(
      text.substr(static_cast<std::size_t>(content_at - 1), static_cast<std::size_t>(back_at - content_at)));
}

Text merge_cookies(Text& old_list, Text& new_list) {
  old_list = trim(old_list);
  new_list = trim(new_list);

  std::vector<Text> merged = trimmed_items(new_list);
  // The response's cookies win; old ones fill in the names it did not set, first one first.
  for (const Text& item : trimmed_items(old_list)) {
    if (!has_cookie_named(merged, cookie_name(item)))
      merged.push_back(item);
  }

  Text joined;
  for (const Text& item : merged) {
    if (is_deleted(item))
      continue;
    joined += item;
    joined += kListSeparator;
  }
  if (!joined.empty())
    joined.resize(joined.size() - kListSeparator.size());

  old_list = unique_items(joined, kListSeparator);
  return old_list;
}

Text cookie_name(std::string_view item) {
  const int equals = find_text(item, "=");
  if (equals == -1)
    return trim(item);
  return trim(item.substr(0, static_cast<std::size_t>(equals - 1)));
}

bool has_cookie_named(const std::vector<Text>& items, std::string_view name) {
  for (const Text& item : items) {
    if (cookie_name(item) == name)
      return true;
  }
  return false;
}

Text unique_items(std::string_view text, std::string_view separator) {
  std::vector<Text> kept;
  for (Text& piece : split(text, separator)) {
    if (find_item(kept, piece) == -1)
      kept.push_back(std::move(piece));
  }
  Text joined;
  for (const Text& piece : kept) {
    joined += piece;
    joined += separator;
  }
  if (!kept.empty())
    joined.resize(joined.size() - separator.size());
  return joined;
}

int find_item(const std::vector<Text>& list, std::string_view text) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == text)
      return static_cast<int>(i + 1);
  }
  return -1;
}

}  // namespace net
