#include "mpsystem/SpringEigenvalue.h"

#include "mpsystem/MpSystem.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

constexpr int maxPasses = 120;
/// The iteration stops once the estimate has moved by less than this share over
/// `settledPasses` passes.
constexpr double settledChange = 1e-4;
constexpr int settledPasses = 3;

/// The linearised springs at unit stiffness: G x, for displacements x of the points.
class SpringOperator {
public:
    explicit SpringOperator(const MpSystem& body) {
        const SbVec3f* p = body.positions();
        const float* m = body.masses();
        directions_.reserve(static_cast<std::size_t>(body.numSprings()));
        for (int s = 0; s < body.numSprings(); ++s) {
            const SpringEnds ends = body.springs()[s];
            SbVec3f d = p[ends.a] - p[ends.b];
            // A spring of length 0 has no direction; one between held points moves nothing.
            const bool acts = d.length() > 0.0f && (m[ends.a] > 0.0f || m[ends.b] > 0.0f);
            if (acts) {
                d.normalize();
                directions_.push_back(d);
                ends_.push_back(ends);
            }
        }
    }

    bool isEmpty() const { return ends_.empty(); }

    /// out = G x; returns x^T G x.
    double apply(const std::vector<double>& x, std::vector<double>& out) const {
        std::fill(out.begin(), out.end(), 0.0);
        double energy = 0;
        for (std::size_t s = 0; s < ends_.size(); ++s) {
            const int32_t a = 3 * ends_[s].a;
            const int32_t b = 3 * ends_[s].b;
            const SbVec3f& e = directions_[s];
            double stretch = 0;
            for (int k = 0; k < 3; ++k) {
                stretch += e[k] * (x[a + k] - x[b + k]);
            }
            energy += stretch * stretch;
            for (int k = 0; k < 3; ++k) {
                out[a + k] += stretch * e[k];
                out[b + k] -= stretch * e[k];
            }
        }
        return energy;
    }

private:
    std::vector<SbVec3f> directions_;
    std::vector<SpringEnds> ends_;
};

/// Number of eigenvalues of the symmetric tridiagonal matrix (alpha on the diagonal, beta
/// beside it, beta[0] unused) below x, by the signs of its Sturm sequence.
int countBelow(const std::vector<double>& alpha, const std::vector<double>& beta, double x) {
    int count = 0;
    double q = 1;
    for (std::size_t j = 0; j < alpha.size(); ++j) {
        const double b2 = j == 0 ? 0.0 : beta[j] * beta[j];
        q = alpha[j] - x - (j == 0 ? 0.0 : b2 / q);
        if (q == 0.0) {
            q = 1e-300;
        }
        if (q < 0.0) {
            ++count;
        }
    }
    return count;
}

/// The largest eigenvalue of the tridiagonal matrix, by bisection inside Gershgorin's bound.
double largestTridiagonalEigenvalue(const std::vector<double>& alpha,
                                    const std::vector<double>& beta) {
    const std::size_t n = alpha.size();
    double lo = 0;
    double hi = 0;
    for (std::size_t j = 0; j < n; ++j) {
        const double reach =
            (j > 0 ? std::abs(beta[j]) : 0.0) + (j + 1 < n ? std::abs(beta[j + 1]) : 0.0);
        lo = std::min(lo, alpha[j] - reach);
        hi = std::max(hi, alpha[j] + reach);
    }
    const int all = static_cast<int>(n);
    for (int k = 0; k < 200 && hi - lo > 1e-13 * std::max(1.0, std::abs(hi)); ++k) {
        const double mid = 0.5 * (lo + hi);
        (countBelow(alpha, beta, mid) < all ? lo : hi) = mid;
    }
    return hi;
}

/// A start with a share of every vibration: a fixed pseudo-random pattern, so that the answer
/// is the same on every run.
void fillStart(std::vector<double>& q) {
    uint32_t state = 2463534242u;
    for (double& value : q) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        value = static_cast<double>(state) / 4294967296.0 - 0.5;
    }
}

} // namespace

double largestSpringEigenvalue(const MpSystem& body) {
    const SpringOperator springs(body);
    if (springs.isEmpty()) {
        return 0.0;
    }
    const int n = body.numPoints();
    const float* masses = body.masses();
    // M^-1 G is symmetric in the product weighted by the masses, so Lanczos runs in that
    // product, over the points that move.
    const auto weightedNorm = [&](const std::vector<double>& v) {
        double sum = 0;
        for (int i = 0; i < n; ++i) {
            if (masses[i] > 0.0f) {
                sum += masses[i] * (v[3 * i] * v[3 * i] + v[3 * i + 1] * v[3 * i + 1] +
                                    v[3 * i + 2] * v[3 * i + 2]);
            }
        }
        return std::sqrt(sum);
    };
    std::vector<double> q(3 * static_cast<std::size_t>(n));
    std::vector<double> previous(q.size(), 0.0);
    std::vector<double> w(q.size());
    fillStart(q);
    for (int i = 0; i < n; ++i) {
        if (!(masses[i] > 0.0f)) {
            q[3 * i] = q[3 * i + 1] = q[3 * i + 2] = 0.0;
        }
    }
    const double startNorm = weightedNorm(q);
    for (double& value : q) {
        value /= startNorm;
    }
    std::vector<double> alpha;
    std::vector<double> beta{0.0};
    double estimate = 0;
    int settled = 0;
    for (int pass = 0; pass < maxPasses && settled < settledPasses; ++pass) {
        alpha.push_back(springs.apply(q, w));
        for (int i = 0; i < n; ++i) {
            const double inverseMass = masses[i] > 0.0f ? 1.0 / masses[i] : 0.0;
            for (int k = 3 * i; k < 3 * i + 3; ++k) {
                w[k] = w[k] * inverseMass - alpha.back() * q[k] - beta.back() * previous[k];
            }
        }
        const double last = estimate;
        estimate = largestTridiagonalEigenvalue(alpha, beta);
        settled = std::abs(estimate - last) <= settledChange * estimate ? settled + 1 : 0;
        const double norm = weightedNorm(w);
        // The iteration has spanned every vibration the start reaches: the estimate is exact.
        if (!(norm > 1e-12 * std::sqrt(estimate))) {
            break;
        }
        beta.push_back(norm);
        std::swap(previous, q);
        for (std::size_t k = 0; k < q.size(); ++k) {
            q[k] = w[k] / norm;
        }
    }
    return estimate;
}
