#include "sensitivity/methods/Regression.h"

#include <algorithm>
#include <cmath>

namespace tulo::sensitivity {

namespace {

// Inverts a square matrix in place (Gauss-Jordan with partial pivoting); false when singular.
bool Invert(std::vector<double>& a, int n) {
    std::vector<double> inv(static_cast<std::size_t>(n) * n, 0.0);
    for (int i = 0; i < n; ++i) inv[static_cast<std::size_t>(i) * n + i] = 1;
    const auto at = [n](std::vector<double>& m, int r, int c) -> double& {
        return m[static_cast<std::size_t>(r) * n + c];
    };
    for (int c = 0; c < n; ++c) {
        int pivot = c;
        for (int r = c + 1; r < n; ++r)
            if (std::abs(at(a, r, c)) > std::abs(at(a, pivot, c))) pivot = r;
        if (std::abs(at(a, pivot, c)) < 1e-10) return false;
        for (int j = 0; j < n; ++j) {
            std::swap(at(a, c, j), at(a, pivot, j));
            std::swap(at(inv, c, j), at(inv, pivot, j));
        }
        const double p = at(a, c, c);
        for (int j = 0; j < n; ++j) {
            at(a, c, j) /= p;
            at(inv, c, j) /= p;
        }
        for (int r = 0; r < n; ++r) {
            if (r == c) continue;
            const double f = at(a, r, c);
            if (f == 0) continue;
            for (int j = 0; j < n; ++j) {
                at(a, r, j) -= f * at(a, c, j);
                at(inv, r, j) -= f * at(inv, c, j);
            }
        }
    }
    a = std::move(inv);
    return true;
}

// Each column standardised in place and weighted by the square root of each row's copies, so that each
// correlation is one contiguous product; false when a column is constant.
bool Standardise(std::vector<std::vector<double>>& columns, std::span<const double> copies) {
    const std::size_t rows = copies.size();
    double total = 0;
    for (const double c : copies) total += c;
    std::vector<double> weights(rows); // the square roots, once for every column
    for (std::size_t r = 0; r < rows; ++r) weights[r] = std::sqrt(copies[r]);
    for (auto& c : columns) {
        double mean = 0, sum = 0;
        for (std::size_t r = 0; r < rows; ++r) mean += copies[r] * c[r];
        mean /= total;
        for (std::size_t r = 0; r < rows; ++r) sum += copies[r] * (c[r] - mean) * (c[r] - mean);
        if (!(sum > 0)) return false;
        const double scale = 1 / std::sqrt(sum);
        for (std::size_t r = 0; r < rows; ++r) c[r] = (c[r] - mean) * scale * weights[r];
    }
    return true;
}

// The standardised regression of the last column (the output) on the others, all of equal length: per
// factor its coefficient and its partial correlation with the output. The partial correlation comes from
// the coefficient's t ratio, r = b / sqrt(b^2 + (1 - R^2) c_jj), rather than from the inverse of the full
// correlation matrix, which is singular when the output is an exact function of the factors. Nothing when
// a column is constant or the factors' correlation matrix is singular.
struct Regression {
    std::vector<double> coefficient;
    std::vector<double> partial;
};
std::optional<Regression> Regress(std::vector<std::vector<double>> columns, std::span<const double> copies) {
    const int q = static_cast<int>(columns.size()) - 1;
    const std::size_t rows = copies.size();
    if (!Standardise(columns, copies)) return std::nullopt;
    // Each correlation is summed row after row; four of them at once, whose sums do not wait on each other.
    const std::size_t width = static_cast<std::size_t>(q) + 1;
    std::vector<double> products(width * width);
    for (std::size_t i = 0; i < width; ++i) {
        const double* a = columns[i].data();
        std::size_t j = i + 1;
        for (; j + 4 <= width; j += 4) {
            const double *b0 = columns[j].data(), *b1 = columns[j + 1].data(), *b2 = columns[j + 2].data(),
                         *b3 = columns[j + 3].data();
            double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
            for (std::size_t r = 0; r < rows; ++r) {
                s0 += a[r] * b0[r];
                s1 += a[r] * b1[r];
                s2 += a[r] * b2[r];
                s3 += a[r] * b3[r];
            }
            products[i * width + j] = s0;
            products[i * width + j + 1] = s1;
            products[i * width + j + 2] = s2;
            products[i * width + j + 3] = s3;
        }
        for (; j < width; ++j) {
            const double* b = columns[j].data();
            double s = 0;
            for (std::size_t r = 0; r < rows; ++r) s += a[r] * b[r];
            products[i * width + j] = s;
        }
    }
    const auto correlation = [&](int i, int j) { return products[static_cast<std::size_t>(i) * width + j]; };
    std::vector<double> inverse(static_cast<std::size_t>(q) * q);
    std::vector<double> withOutput(static_cast<std::size_t>(q));
    for (int i = 0; i < q; ++i) {
        withOutput[i] = correlation(i, q);
        for (int j = i; j < q; ++j)
            inverse[static_cast<std::size_t>(i) * q + j] = inverse[static_cast<std::size_t>(j) * q + i] =
                i == j ? 1.0 : correlation(i, j);
    }
    if (!Invert(inverse, q)) return std::nullopt;
    Regression result{std::vector<double>(static_cast<std::size_t>(q), 0.0),
                      std::vector<double>(static_cast<std::size_t>(q), 0.0)};
    double explained = 0;
    for (int i = 0; i < q; ++i) {
        for (int j = 0; j < q; ++j)
            result.coefficient[i] += inverse[static_cast<std::size_t>(i) * q + j] * withOutput[j];
        explained += result.coefficient[i] * withOutput[i];
    }
    const double unexplained = std::max(0.0, 1 - explained);
    for (int i = 0; i < q; ++i) {
        const double b = result.coefficient[i];
        const double scale = std::sqrt(b * b + unexplained * inverse[static_cast<std::size_t>(i) * q + i]);
        result.partial[i] = scale > 0 ? std::clamp(b / scale, -1.0, 1.0) : 0.0;
    }
    return result;
}

// The columns of the factors that varied, each mapped onto [-1, 1] as the outputs are, then the outputs.
struct RegressionColumns {
    std::vector<std::vector<double>> columns;
    std::vector<std::vector<int>> ascending; // each column's AscendingUnits, for the resamples' ranks
    std::vector<int> varied;                 // the factor of each column but the last
};
RegressionColumns VariedColumns(std::span<const double> values, std::span<const double> y, int rows, int k) {
    RegressionColumns result;
    for (int j = 0; j < k; ++j) {
        Mapped column = MapOntoUnitRange(static_cast<std::size_t>(rows), [&](std::size_t r) {
            return values[r * static_cast<std::size_t>(k) + static_cast<std::size_t>(j)];
        });
        if (column.half > 0) {
            result.columns.push_back(std::move(column.values));
            result.varied.push_back(j);
        }
    }
    result.columns.emplace_back(y.begin(), y.end());
    for (const auto& column : result.columns) result.ascending.push_back(AscendingUnits(column));
    return result;
}

// SRC and PRCC of the rows a resample drew, rows drawn more than once counting with their copies.
std::optional<std::vector<double>> ResampleRegression(const RegressionColumns& data,
                                                      std::span<const double> y, int k, Units w) {
    const int q = static_cast<int>(data.varied.size());
    std::vector<double> out(2 * static_cast<std::size_t>(k), 0.0);
    const double yvar = Moments(w, [&](int r) { return y[static_cast<std::size_t>(r)]; }).variance;
    if (yvar == 0 || q == 0) return out;
    const Distinct distinct = DistinctUnits(w);
    std::vector<std::vector<double>> drawn, ranked;
    for (std::size_t j = 0; j < data.columns.size(); ++j) {
        const std::vector<double>& c = data.columns[j];
        std::vector<double>& values = drawn.emplace_back(distinct.units.size());
        for (std::size_t r = 0; r < values.size(); ++r)
            values[r] = c[static_cast<std::size_t>(distinct.units[r])];
        ranked.push_back(Ranks(c, distinct, data.ascending[j]));
    }
    const auto plain = Regress(std::move(drawn), distinct.copies);
    const auto ranks = Regress(std::move(ranked), distinct.copies);
    if (!plain || !ranks) return std::nullopt;
    for (int v = 0; v < q; ++v) {
        out[data.varied[v]] = plain->coefficient[v];
        out[k + data.varied[v]] = ranks->partial[v];
    }
    return out;
}

Outcome RegressionIndices(const Method& method, const Design& d, std::span<const double> values,
                          const Mapped& outputs, std::vector<FactorIndices>& indices,
                          std::vector<Interaction>*) {
    const int k = d.factors;
    const std::span<const double> y = outputs.values;
    const RegressionColumns data = VariedColumns(values, y, d.rows, k);
    const int q = static_cast<int>(data.varied.size());
    if (d.rows <= q + 2)
        return Outcome::Failure("The sample has too few rows (" + std::to_string(d.rows) +
                                ") for its factors.");
    const auto why = Bootstrap(
        d.rows, k, method.seed, kBootstrapResamples, kBootstrapUnits,
        [&](Units w) { return ResampleRegression(data, y, k, w); }, indices);
    // Independent factors' SRC lie within [-1, 1] (their squares add up to the R^2 of the regression); a
    // resample's chance correlations between the factors can carry a replicate a little beyond.
    for (FactorIndices& f : indices) {
        f.first.low = std::max(f.first.low, -1.0);
        f.first.high = std::min(f.first.high, 1.0);
    }
    return why;
}

std::optional<SizeLimits> RegressionSizeLimits(const Method&, int k, long most) {
    // The regression of the output on every factor and a constant needs two rows more than that.
    return SizeLimits{k + 3L, most};
}

} // namespace

MethodEntry RegressionMethod(MethodKind kind, std::string_view keyword, decltype(MethodEntry::parse) parse,
                             decltype(MethodEntry::text) text, decltype(MethodEntry::title) title,
                             decltype(MethodEntry::draw) draw) {
    return {.kind = kind,
            .keyword = keyword,
            .parse = parse,
            .text = text,
            .index1Name = "SRC",
            .index2Name = "PRCC",
            .indicesFromValues = true,
            .title = title,
            .sizeSetting = Executions,
            .sizeLimits = RegressionSizeLimits,
            .designRows = ExecutionCount,
            .size = ExecutionRows,
            .draw = draw,
            .indices = RegressionIndices};
}

} // namespace tulo::sensitivity
