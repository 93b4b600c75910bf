// Progress rule of the splitting at edge points: keeps a run from going on for ever when,
// within the tolerance, the pieces of a triangle turn back into triangles they came from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct Faces3Koerper;
class Faces3PointGrid;

class Faces3SplitGuard {
  public:
    // Splits every original triangle may take before its own limit is worked out.
    static constexpr int kFreeSplits = 16;

    // `triangles`: the triangles present when the run begins (each the root of its pieces).
    explicit Faces3SplitGuard(size_t triangles) : roots_(triangles) {}

    // Whether triangle i may become `keep` with `added` appended. Refused when either piece
    // repeats a triangle that the same original triangle already went through, or when the
    // original triangle used up its splits: in exact geometry the pieces tile it without
    // overlap, so their count is bounded by the points lying on it.
    bool allow(const Faces3Koerper& k, const Faces3PointGrid& grid, size_t i, const int keep[3],
               const int added[3]);
    // Records that the split of triangle i appended a triangle.
    void appended(size_t i) { appended_root_.push_back(root(i)); }

  private:
    struct Key {
        uint32_t root;
        int p[3];
        bool operator==(const Key& o) const {
            return root == o.root && p[0] == o.p[0] && p[1] == o.p[1] && p[2] == o.p[2];
        }
    };
    struct KeyHash {
        size_t operator()(const Key& k) const;
    };
    struct Root {
        int p[3];        // the original corners
        int splits = 0;  // splits of the triangle and its pieces
        int limit = -1;  // -1 until worked out
    };

    uint32_t root(size_t i) const {
        return i < roots_ ? static_cast<uint32_t>(i) : appended_root_[i - roots_];
    }
    static Key key(uint32_t root, const int p[3]);
    static int limit_for(const Faces3Koerper& k, const Faces3PointGrid& grid, const int p[3]);

    size_t roots_;
    std::vector<uint32_t> appended_root_;
    std::unordered_map<uint32_t, Root> state_;
    std::unordered_set<Key, KeyHash> seen_;
};
