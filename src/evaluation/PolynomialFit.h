#pragma once
// Polynomial regression by weighted linear least squares, and the analysis of variance of the fit.
//
// The fitting core follows the general linear least-squares method of Numerical Recipes (first edition):
// FitLinearLeastSquares builds the normal equations for the coefficients named in an index list and solves
// them with GaussJordanSolve (Gauss-Jordan elimination with full pivoting); SpreadCovariance spreads the
// covariance of the fitted coefficients over all of them. Vectors and matrices are 1-based: element 0 (row 0,
// column 0) is present and ignored.

#include <optional>
#include <string>
#include <vector>

namespace tulo {

class PolynomialFit {
public:
    // Square (or rectangular) 1-based matrix: rows and columns 1 .. declared size, row and column 0 unused.
    using Matrix = std::vector<std::vector<double>>;

    // A fit that fails ("Improper set in LISTA", "Singular matrix") returns false and keeps its message
    // for the caller to show.
    const std::string& GetFailure() const { return failure_; }

    // Records the series' upper bound (size - 1) as the number of values.
    void SetNumberOfValues(const std::vector<double>& series);
    int Numbers() const { return numbers_; }

    // The polynomial basis: afunc(1) = 1, afunc(j) = x^(j-1) for j = 2 .. np. afunc must hold np + 1
    // elements.
    static void PolynomialBasis(double x, std::vector<double>& afunc, int np);

    // Inverts a(1..n, 1..n) in place and replaces the m right-hand sides b(1..n, 1..m) by the solutions.
    // np and mp are the declared sizes of a and b (a holds np + 1 rows and columns, b np + 1 rows and mp + 1
    // columns). On a singular matrix shows "Singular matrix" (no pivot left to choose) or
    // "Singular matrix." (a pivot that is zero in single precision) and returns false at once, leaving a
    // and b part-way reduced. Throws std::invalid_argument when n or m exceed the declared sizes or the
    // matrices are smaller than them.
    bool GaussJordanSolve(Matrix& a, int n, int np, Matrix& b, int m, int mp);

    // Spreads the covariance of the mfit fitted coefficients (rows and columns 1 .. mfit, in the order of
    // lista) over coefficients 1 .. ma; coefficients not fitted get zero variance and covariance.
    static void SpreadCovariance(Matrix& covar, int ncvm, int ma, const std::vector<int>& lista, int mfit);

    // Fits y(i) ± sig(i), i = 1 .. ndata, by a(1) + a(2) x + ... + a(ma) x^(ma-1). Coefficients
    // lista(1 .. mfit) are fitted, the others are held at their values in a; lista (at least ma + 1
    // elements) gets the held ones appended at positions mfit + 1 .. ma. covar (ncvm >= ma) receives the
    // covariance of a(1 .. ma), chisq the weighted sum of squared residuals. Returns false, leaving a as it
    // was, after "Improper set in LISTA" (a coefficient listed twice or out of 1 .. ma) or a singular
    // system. Throws std::invalid_argument when a vector is smaller than its stated size.
    bool FitLinearLeastSquares(const std::vector<double>& x, const std::vector<double>& y,
                               const std::vector<double>& sig, int ndata, std::vector<double>& a, int ma,
                               std::vector<int>& lista, int mfit, Matrix& covar, int ncvm, double& chisq);

    // Mean and sum of squared deviations about the mean of elements 1 .. size - 1. SeriesMean of no values is
    // NaN, SumOfSquaredDeviations of no values 0.
    static double SeriesMean(const std::vector<double>& series);
    static double SumOfSquaredDeviations(const std::vector<double>& series);

    // Analysis of variance of the polynomial a(1 .. ma) fitted to x, y (n = size of x - 1; ma 1 .. 5, any
    // other ma leaves the estimates at 0). DevianzaStimati is the regression sum of squares, Errore the
    // residual one (total minus regression). R2, F and p are undefined (no value) where a denominator is
    // zero or the result is not finite: a constant y, ma = 1, n <= ma, or no residual (an exact fit); an
    // undefined p has the mark "n/a". Throws std::invalid_argument when x and y differ in length or a holds
    // fewer than ma coefficients.
    void AnalysisOfVariance(const std::vector<double>& x, const std::vector<double>& y, int ma,
                            const std::vector<double>& a, std::string& mark, std::optional<double>& R2,
                            std::optional<double>& F, std::optional<double>& p, double& DevianzaStimati,
                            double& Errore);

    // 1 - R2 and its square root from the last analysis of variance; undefined with R2, the root also
    // when 1 - R2 is negative. 0 before any analysis.
    std::optional<double> OneMinusR2() const { return oneMinusR2_; }
    std::optional<double> SqrtOneMinusR2() const { return sqrtOneMinusR2_; }

    // Probability that an F-distributed variable with nu1 and nu2 degrees of freedom exceeds F, and its
    // mark: "++" below 0.01, " +" from 0.01 to 0.05, "ns" above. F <= 0 gives 1. Undefined ("n/a") for a
    // non-finite F or degrees of freedom below 1.
    static void PF(double F, int nu1, int nu2, std::optional<double>& p, std::string& mark);

    // The mark of a probability, "n/a" when undefined.
    static std::string Mark(std::optional<double> p);

private:
    bool Fail(std::string message) {
        failure_ = std::move(message);
        return false;
    }

    std::string failure_;
    int numbers_ = 0;
    std::optional<double> oneMinusR2_ = 0.0;
    std::optional<double> sqrtOneMinusR2_ = 0.0;
};

} // namespace tulo
