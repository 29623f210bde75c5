#include "host/ASNearest.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string Lowered(const char* text) {
  std::string t = text ? text : "";
  for (char& c : t)
    if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
  return t;
}

// Letters changed, missing, added or two neighbours swapped.
size_t Distance(const std::string& a, const std::string& b) {
  const size_t n = a.size(), m = b.size();
  std::vector<std::vector<size_t>> d(n + 1, std::vector<size_t>(m + 1));
  for (size_t i = 0; i <= n; ++i) d[i][0] = i;
  for (size_t j = 0; j <= m; ++j) d[0][j] = j;
  for (size_t i = 1; i <= n; ++i) {
    for (size_t j = 1; j <= m; ++j) {
      const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[n][m];
}

// Lower is nearer; none when the name is not near at all.
constexpr size_t kFar = (size_t)-1;

// A name that begins the typed one, or that it begins, comes after every
// name a few letters away.
constexpr size_t kPrefix = 1000;

size_t Score(const std::string& typed, const std::string& name) {
  if (typed.empty() || name.empty()) return kFar;
  if (typed == name) return 0;
  // Lengths far apart cannot be a few letters away.
  const size_t allowed = std::max<size_t>(1, std::max(typed.size(), name.size()) / 3);
  const size_t apart = typed.size() > name.size() ? typed.size() - name.size() : name.size() - typed.size();
  if (apart <= allowed) {
    const size_t d = Distance(typed, name);
    if (d <= allowed) return d;
  }
  const size_t shorter = std::min(typed.size(), name.size());
  if (shorter >= 3 && (name.rfind(typed, 0) == 0 || typed.rfind(name, 0) == 0)) return kPrefix;
  return kFar;
}

}  // namespace

ASInt32 ASNearestNames(const char* typed, const char* const* names, ASInt32 count, ASInt32* nearest, ASInt32 max) {
  if (!typed || !names || count <= 0 || !nearest || max <= 0) return 0;
  const std::string t = Lowered(typed);
  std::vector<std::pair<size_t, ASInt32>> found;
  for (ASInt32 i = 0; i < count; ++i) {
    const size_t s = Score(t, Lowered(names[i]));
    if (s != kFar) found.emplace_back(s, i);
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  ASInt32 n = 0;
  for (const auto& f : found) {
    // Only the nearest: a name two letters away is not offered beside one a letter away.
    if (f.first > found.front().first || n >= max) break;
    nearest[n++] = f.second;
  }
  return n;
}
