#pragma once

#include <cstdint>
#include <vector>

struct PointData {
    double x = 0;      // frequency, GHz
    double value = 0;  // counts
};

// An ordered curve of (x, value) points that remembers its largest value.
template <typename Point>
class CCurveData {
public:
    void AddPoint(double x, double value) {
        points_.push_back(Point{x, value});
        if (value >= largestValue_) {
            largestValue_ = value;
            largestIndex_ = count_;  // the last of equal maxima wins
        }
        ++count_;
        modified_ = 1;
    }

    void Clear() {
        points_.clear();
        points_.shrink_to_fit();
        count_ = 0;
        largestValue_ = 0;
        largestIndex_ = 0;
        modified_ = 0;
    }

    int GetCount() const { return count_; }
    const Point& operator[](int i) const { return points_[static_cast<std::size_t>(i)]; }
    const std::vector<Point>& points() const { return points_; }
    double LargestValue() const { return largestValue_; }
    int LargestIndex() const { return largestIndex_; }
    bool IsModified() const { return modified_ != 0; }
    void SetModified(bool modified) { modified_ = modified ? 1 : 0; }

private:
    std::vector<Point> points_;
    std::uint8_t modified_ = 0;
    int count_ = 0;
    double largestValue_ = 0;
    int largestIndex_ = 0;
};
