#pragma once
// The chart control's data grid: a rectangle of texts, rows by columns, the
// way the chart reads its data (row labels in column 1, series names in row 0
// when present, values in the other cells). Columns are numbered from 1 as the
// grid's users think of them.
//
// The texts live in one buffer and each cell is a slice of it, so a grid of
// 110000 rows is filled without one allocation per cell. Setting a cell a
// second time leaves the old text unused in the buffer until the grid goes.
// Plain C++: the chart data are built and checked without any toolkit.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nimbrel {

class ChartGrid {
public:
    ChartGrid() = default;
    // A grid of rows x columns empty cells; textBytes is a hint for the
    // total length of the texts that will be put in.
    ChartGrid(int32_t rows, int32_t columns, size_t textBytes = 0)
        : rows_(rows < 0 ? 0 : rows), columns_(columns < 0 ? 0 : columns) {
        cells_.resize(static_cast<size_t>(rows_) * static_cast<size_t>(columns_));
        text_.reserve(textBytes);
    }

    int32_t RowCount() const { return rows_; }
    int32_t ColumnCount() const { return columns_; }
    bool Contains(int32_t row, int32_t column) const {
        return row >= 0 && row < rows_ && column >= 1 && column <= columns_;
    }

    // Empty for a cell outside the grid.
    std::string_view Cell(int32_t row, int32_t column) const {
        if (!Contains(row, column)) return {};
        const Slice& s = cells_[Index(row, column)];
        return std::string_view(text_).substr(s.offset, s.length);
    }
    // Returns false (and changes nothing) for a cell outside the grid.
    bool SetCell(int32_t row, int32_t column, std::string_view text) {
        if (!Contains(row, column)) return false;
        Slice& s = cells_[Index(row, column)];
        s.offset = static_cast<uint32_t>(text_.size());
        s.length = static_cast<uint32_t>(text.size());
        text_.append(text);
        return true;
    }

    // The unit of the values in a column ("°C", "%"), for the axis that the
    // chart gives the column's series. Not part of the texts: a grid without
    // units is drawn on plain numbered axes.
    void SetColumnUnit(int32_t column, std::string unit) {
        if (column < 1 || column > columns_) return;
        if (units_.size() < static_cast<size_t>(columns_)) units_.resize(static_cast<size_t>(columns_));
        units_[static_cast<size_t>(column - 1)] = std::move(unit);
    }
    std::string_view ColumnUnit(int32_t column) const {
        if (column < 1 || static_cast<size_t>(column) > units_.size()) return {};
        return units_[static_cast<size_t>(column - 1)];
    }

    // The time a row's label stands for, when whoever filled the grid has
    // already read it: the chart then need not read the label again. Like
    // the units, not part of the texts, and a grid without it is read from
    // its labels.
    void SetRowTime(int32_t row, double time) {
        if (row < 0 || row >= rows_) return;
        if (rowTimes_.empty()) rowTimes_.assign(static_cast<size_t>(rows_), kNoTime);
        rowTimes_[static_cast<size_t>(row)] = time;
    }
    bool RowTime(int32_t row, double& time) const {
        if (row < 0 || static_cast<size_t>(row) >= rowTimes_.size()) return false;
        const double t = rowTimes_[static_cast<size_t>(row)];
        if (std::isnan(t)) return false;  // kNoTime
        time = t;
        return true;
    }

    friend bool operator==(const ChartGrid& a, const ChartGrid& b) {
        if (a.rows_ != b.rows_ || a.columns_ != b.columns_) return false;
        for (int32_t r = 0; r < a.rows_; ++r)
            for (int32_t c = 1; c <= a.columns_; ++c)
                if (a.Cell(r, c) != b.Cell(r, c)) return false;
        return true;
    }

private:
    struct Slice {
        uint32_t offset = 0;
        uint32_t length = 0;
    };
    size_t Index(int32_t row, int32_t column) const {
        return static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(column - 1);
    }

    int32_t rows_ = 0;
    int32_t columns_ = 0;
    std::vector<Slice> cells_;
    std::string text_;
    std::vector<std::string> units_;
    static constexpr double kNoTime = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> rowTimes_;
};

}  // namespace nimbrel
