#include "evaluation/PolynomialFit.h"

#include "evaluation/Statistics.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <utility>

namespace tulo {

namespace {

// The value of pi the odd-odd series has always used; it differs from pi by about 6e-12.
constexpr double kPi = 3.141592653599;

// The zero-pivot test is made on the single-precision value, so pivots below the smallest float count as
// zero. Values beyond the float range are not zero (and converting them would be undefined).
bool ZeroInSinglePrecision(double value) {
    return std::abs(value) <= std::numeric_limits<float>::max() && static_cast<float>(value) == 0.0f;
}

void RequireSize(const std::vector<double>& v, int upper, const char* what) {
    if (upper < 0 || v.size() < static_cast<std::size_t>(upper) + 1)
        throw std::invalid_argument(std::string("FitLinearLeastSquares: ") + what +
                                    " is smaller than its stated size");
}

void RequireSquare(const PolynomialFit::Matrix& m, int upper, const char* what) {
    if (upper < 0 || m.size() < static_cast<std::size_t>(upper) + 1)
        throw std::invalid_argument(std::string("FitLinearLeastSquares: ") + what +
                                    " is smaller than its stated size");
    for (const auto& row : m) RequireSize(row, upper, what);
}

// Q(F | nu1, nu2) for nu1 even (Abramowitz and Stegun 26.6.4). Each term carries the prefactor x^(nu2/2),
// which keeps every term below 1 whatever the degrees of freedom.
double UpperTailNu1Even(double x, int nu1, int nu2) {
    double term = std::pow(x, nu2 / 2.0);
    double sum = term;
    for (int k = 1; k <= (nu1 - 2) / 2; ++k) {
        term *= (nu2 + 2.0 * (k - 1)) / (2.0 * k) * (1 - x);
        sum += term;
    }
    return sum;
}

// Q(F | nu1, nu2) for nu2 even (26.6.5): one minus the lower tail, whose terms carry (1 - x)^(nu1/2).
double UpperTailNu2Even(double x, int nu1, int nu2) {
    double term = std::pow(1 - x, nu1 / 2.0);
    double sum = term;
    for (int k = 1; k <= (nu2 - 2) / 2; ++k) {
        term *= (nu1 + 2.0 * (k - 1)) / (2.0 * k) * x;
        sum += term;
    }
    return 1 - sum;
}

// Q(F | nu1, nu2) for both odd (26.6.8): 1 - A(t | nu2) + beta(nu1, nu2).
double UpperTailBothOdd(double F, int nu1, int nu2) {
    const double theta = std::atan(std::sqrt(nu1 * F / nu2));
    const double s = std::sin(theta), c = std::cos(theta);

    // A(t | nu2) = 2/pi [theta + sin(theta) (cos(theta) + 2/3 cos^3(theta) + ...)], the bracket's series
    // present for nu2 > 1 only.
    double seriesA = 0;
    if (nu2 > 1) {
        double term = c;
        seriesA = term;
        for (int k = 1; k <= (nu2 - 3) / 2; ++k) {
            term *= (2.0 * k) / (2.0 * k + 1) * c * c;
            seriesA += term;
        }
    }
    const double A = 2 / kPi * (theta + s * seriesA);

    // beta = 2/sqrt(pi) Gamma((nu2+1)/2) / Gamma(nu2/2) sin(theta) cos^nu2(theta) [1 + (nu2+1)/3 sin^2 + ...]
    // for nu1 > 1. For odd nu2 the gamma ratio times 2/sqrt(pi) is 2/pi (2 4 ... (nu2-1)) / (1 3 ...
    // (nu2-2)).
    double beta = 0;
    if (nu1 > 1) {
        double term = 2 / kPi * s * std::pow(c, nu2);
        for (int k = 1; k <= (nu2 - 1) / 2; ++k) term *= (2.0 * k) / (2.0 * k - 1);
        beta = term;
        for (int k = 1; k <= (nu1 - 3) / 2; ++k) {
            term *= (nu2 + 2.0 * k - 1) / (2.0 * k + 1) * s * s;
            beta += term;
        }
    }
    return 1 - A + beta;
}

// Every coefficient must be either listed once among the first mfit entries or held; the held ones
// are appended to the list. False, the list left as it was, when it is not so.
bool CompleteList(std::vector<int>& lista, int ma, int mfit) {
    if (mfit < 1 || mfit > ma) return false;
    for (int k = 1; k <= mfit; ++k)
        if (lista[k] < 1 || lista[k] > ma) return false;
    std::vector<int> list(lista.begin(), lista.begin() + mfit + 1);
    for (int j = 1; j <= ma; ++j) {
        int hits = 0;
        for (int k = 1; k <= mfit; ++k) hits += lista[k] == j;
        if (hits > 1) return false;
        if (hits == 0) list.push_back(j);
    }
    if (static_cast<int>(list.size()) != ma + 1) return false;
    for (int k = mfit + 1; k <= ma; ++k) lista[k] = list[k];
    return true;
}

// The sum of the squared residuals of the polynomial `a`, each in units of its point's sigma.
double ChiSquare(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& sig,
                 int ndata, const std::vector<double>& a, int ma) {
    std::vector<double> afunc(ma + 1, 0.0);
    double chisq = 0;
    for (int i = 1; i <= ndata; ++i) {
        PolynomialFit::PolynomialBasis(x[i], afunc, ma);
        double fitted = 0;
        for (int j = 1; j <= ma; ++j) fitted += a[j] * afunc[j];
        const double residual = (y[i] - fitted) / sig[i];
        chisq += residual * residual;
    }
    return chisq;
}

} // namespace

void PolynomialFit::SetNumberOfValues(const std::vector<double>& series) {
    numbers_ = series.empty() ? 0 : static_cast<int>(series.size() - 1);
}

void PolynomialFit::PolynomialBasis(double x, std::vector<double>& afunc, int np) {
    if (np < 1) return;
    afunc[1] = 1;
    for (int j = 2; j <= np; ++j) afunc[j] = afunc[j - 1] * x;
}

bool PolynomialFit::GaussJordanSolve(Matrix& a, int n, int np, Matrix& b, int m, int mp) {
    if (n < 0 || m < 0 || n > np || m > mp || a.size() < static_cast<std::size_t>(n) + 1 ||
        b.size() < static_cast<std::size_t>(n) + 1)
        throw std::invalid_argument("GaussJordanSolve: n or m beyond the declared sizes");
    for (int r = 1; r <= n; ++r)
        if (a[r].size() < static_cast<std::size_t>(n) + 1 || b[r].size() < static_cast<std::size_t>(m) + 1)
            throw std::invalid_argument("GaussJordanSolve: a row is shorter than the declared size");
    std::vector<int> pivoted(n + 1, 0), rowOfStep(n + 1, 0), columnOfStep(n + 1, 0);
    for (int step = 1; step <= n; ++step) {
        // Full pivoting: the largest element among the rows and columns not yet pivoted. None qualifies
        // only when they are all NaN; the elimination would then pick a column a second time.
        double largest = 0;
        int row = 0, column = 0;
        for (int j = 1; j <= n; ++j) {
            if (pivoted[j]) continue;
            for (int k = 1; k <= n; ++k) {
                if (!pivoted[k] && std::abs(a[j][k]) >= largest) {
                    largest = std::abs(a[j][k]);
                    row = j;
                    column = k;
                }
            }
        }
        if (column == 0) {
            return Fail("Singular matrix");
        }
        pivoted[column] = 1;

        // Move the pivot onto the diagonal by swapping rows; the columns are unscrambled at the end.
        if (row != column) {
            std::swap(a[row], a[column]);
            for (int l = 1; l <= m; ++l) std::swap(b[row][l], b[column][l]);
        }
        rowOfStep[step] = row;
        columnOfStep[step] = column;
        if (ZeroInSinglePrecision(a[column][column])) {
            return Fail("Singular matrix.");
        }

        const double inverse = 1 / a[column][column];
        a[column][column] = 1;
        for (int l = 1; l <= n; ++l) a[column][l] *= inverse;
        for (int l = 1; l <= m; ++l) b[column][l] *= inverse;
        for (int r = 1; r <= n; ++r) {
            if (r == column) continue;
            const double factor = a[r][column];
            a[r][column] = 0;
            for (int l = 1; l <= n; ++l) a[r][l] -= a[column][l] * factor;
            for (int l = 1; l <= m; ++l) b[r][l] -= b[column][l] * factor;
        }
    }
    // The row swaps permuted the inverse's columns; undo them in reverse order.
    for (int step = n; step >= 1; --step) {
        if (rowOfStep[step] == columnOfStep[step]) continue;
        for (int k = 1; k <= n; ++k) std::swap(a[k][rowOfStep[step]], a[k][columnOfStep[step]]);
    }
    return true;
}

void PolynomialFit::SpreadCovariance(Matrix& covar, int ncvm, int ma, const std::vector<int>& lista,
                                     int mfit) {
    (void)ncvm;
    Matrix fitted(mfit + 1, std::vector<double>(mfit + 1, 0.0));
    for (int i = 1; i <= mfit; ++i)
        for (int j = 1; j <= mfit; ++j) fitted[i][j] = covar[i][j];
    for (int i = 1; i <= ma; ++i)
        for (int j = 1; j <= ma; ++j) covar[i][j] = 0;
    for (int i = 1; i <= mfit; ++i)
        for (int j = 1; j <= mfit; ++j) covar[lista[i]][lista[j]] = fitted[i][j];
}

bool PolynomialFit::FitLinearLeastSquares(const std::vector<double>& x, const std::vector<double>& y,
                                          const std::vector<double>& sig, int ndata, std::vector<double>& a,
                                          int ma, std::vector<int>& lista, int mfit, Matrix& covar, int ncvm,
                                          double& chisq) {
    RequireSize(x, ndata, "x");
    RequireSize(y, ndata, "y");
    RequireSize(sig, ndata, "sig");
    RequireSize(a, ma, "a");
    if (ma < 1 || lista.size() < static_cast<std::size_t>(ma) + 1)
        throw std::invalid_argument("FitLinearLeastSquares: lista is smaller than its stated size");
    if (ncvm < ma)
        throw std::invalid_argument("FitLinearLeastSquares: the covariance matrix is smaller than ma");
    RequireSquare(covar, ncvm, "covar");

    if (!CompleteList(lista, ma, mfit)) return Fail("Improper set in LISTA");

    // The normal equations of the fitted coefficients, with the held ones' contribution taken off y.
    Matrix normal(mfit + 1, std::vector<double>(mfit + 1, 0.0));
    Matrix beta(mfit + 1, std::vector<double>(2, 0.0));
    std::vector<double> afunc(ma + 1, 0.0);
    for (int i = 1; i <= ndata; ++i) {
        PolynomialBasis(x[i], afunc, ma);
        double ym = y[i];
        for (int j = mfit + 1; j <= ma; ++j) ym -= a[lista[j]] * afunc[lista[j]];
        const double weight = 1 / (sig[i] * sig[i]);
        for (int j = 1; j <= mfit; ++j) {
            const double wt = afunc[lista[j]] * weight;
            for (int k = 1; k <= j; ++k) normal[j][k] += wt * afunc[lista[k]];
            beta[j][1] += ym * wt;
        }
    }
    for (int j = 2; j <= mfit; ++j)
        for (int k = 1; k < j; ++k) normal[k][j] = normal[j][k];

    // A singular system leaves the coefficients and the covariance as they were: a part-way reduced
    // matrix gives no meaningful fit.
    if (!GaussJordanSolve(normal, mfit, mfit, beta, 1, 1)) return false;
    for (int j = 1; j <= mfit; ++j) a[lista[j]] = beta[j][1];

    chisq = ChiSquare(x, y, sig, ndata, a, ma);

    for (int j = 1; j <= mfit; ++j)
        for (int k = 1; k <= mfit; ++k) covar[j][k] = normal[j][k];
    SpreadCovariance(covar, ncvm, ma, lista, mfit);
    return true;
}

double PolynomialFit::SeriesMean(const std::vector<double>& series) {
    if (series.size() < 2) return std::numeric_limits<double>::quiet_NaN();
    double sum = 0;
    for (std::size_t i = 1; i < series.size(); ++i) sum += series[i];
    return sum / static_cast<double>(series.size() - 1);
}

double PolynomialFit::SumOfSquaredDeviations(const std::vector<double>& series) {
    if (series.size() < 2) return 0;
    const double mean = SeriesMean(series);
    double sum = 0;
    for (std::size_t i = 1; i < series.size(); ++i) sum += (series[i] - mean) * (series[i] - mean);
    return sum;
}

void PolynomialFit::AnalysisOfVariance(const std::vector<double>& x, const std::vector<double>& y, int ma,
                                       const std::vector<double>& a, std::string& mark,
                                       std::optional<double>& R2, std::optional<double>& F,
                                       std::optional<double>& p, double& DevianzaStimati, double& Errore) {
    const int n = x.empty() ? 0 : static_cast<int>(x.size() - 1);
    if (y.size() != x.size()) throw std::invalid_argument("AnalysisOfVariance: x and y differ in length");

    std::vector<double> estimates(n + 1, 0.0);
    if (ma >= 1 && ma <= 5) {
        if (a.size() < static_cast<std::size_t>(ma) + 1)
            throw std::invalid_argument("AnalysisOfVariance: fewer coefficients than ma");
        for (int i = 1; i <= n; ++i) {
            double power = 1, sum = 0;
            for (int j = 1; j <= ma; ++j) {
                sum += a[j] * power;
                power *= x[i];
            }
            estimates[i] = sum;
        }
    }
    DevianzaStimati = SumOfSquaredDeviations(estimates);
    const double total = SumOfSquaredDeviations(y);

    R2 = Ratio(DevianzaStimati, total);
    if (R2) {
        oneMinusR2_ = 1 - *R2;
        sqrtOneMinusR2_ = *oneMinusR2_ >= 0 ? std::optional<double>(std::sqrt(*oneMinusR2_)) : std::nullopt;
        Errore = total * *oneMinusR2_;
    } else {
        oneMinusR2_ = sqrtOneMinusR2_ = std::nullopt;
        Errore = total - DevianzaStimati;
    }

    // A residual that rounding has made zero or negative is an exact fit: F has no finite value.
    F = std::nullopt;
    if (R2 && ma > 1 && n > ma && Errore > 0) {
        const auto regressionMean = Ratio(DevianzaStimati, ma - 1);
        const auto residualMean = Ratio(Errore, n - ma);
        if (regressionMean && residualMean) F = Ratio(*regressionMean, *residualMean);
    }
    if (F) {
        PF(*F, ma - 1, n - ma, p, mark);
    } else {
        p = std::nullopt;
        mark = Mark(p);
    }
}

void PolynomialFit::PF(double F, int nu1, int nu2, std::optional<double>& p, std::string& mark) {
    if (!std::isfinite(F) || nu1 < 1 || nu2 < 1) {
        p = std::nullopt;
    } else if (F <= 0) {
        p = 1.0;
    } else {
        const double x = nu2 / (nu2 + nu1 * F);
        double q;
        if (nu1 % 2 == 0)
            q = UpperTailNu1Even(x, nu1, nu2);
        else if (nu2 % 2 == 0)
            q = UpperTailNu2Even(x, nu1, nu2);
        else
            q = UpperTailBothOdd(F, nu1, nu2);
        // Rounding in the differences may step just outside the range of a probability.
        p = std::fmin(1.0, std::fmax(0.0, q));
    }
    mark = Mark(p);
}

std::string PolynomialFit::Mark(std::optional<double> p) {
    if (!p) return "n/a";
    if (*p < 0.01) return "++";
    if (*p <= 0.05) return " +";
    return "ns";
}

} // namespace tulo
