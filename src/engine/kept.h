// The value kept under key, made the first time; a map that has grown to
// limit begins afresh, so that a long command (or a window left open for
// weeks) keeps its memory flat.
#pragma once

#include <cstddef>

namespace skyloom {

template <class Map, class Make>
typename Map::mapped_type Kept(Map& map, std::size_t limit, const typename Map::key_type& key, Make make) {
  if (map.size() >= limit) map.clear();
  const auto [at, added] = map.try_emplace(key);
  if (added) at->second = make();
  return at->second;
}

}  // namespace skyloom
