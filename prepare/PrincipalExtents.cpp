#include "prepare/PrincipalExtents.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

/// Eigenvalues of a symmetric 3 x 3 matrix by Jacobi rotations, which converge for every such
/// matrix and keep the values exact to rounding.
std::array<double, 3> symmetricEigenvalues(double m[3][3]) {
    for (int sweep = 0; sweep < 50; ++sweep) {
        const double off = m[0][1] * m[0][1] + m[0][2] * m[0][2] + m[1][2] * m[1][2];
        const double diagonal = m[0][0] * m[0][0] + m[1][1] * m[1][1] + m[2][2] * m[2][2];
        if (off <= 1e-30 * diagonal || off == 0.0) {
            break;
        }
        for (int p = 0; p < 2; ++p) {
            for (int q = p + 1; q < 3; ++q) {
                if (m[p][q] == 0.0) {
                    continue;
                }
                const double theta = (m[q][q] - m[p][p]) / (2.0 * m[p][q]);
                const double t =
                    (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
                const double c = 1.0 / std::sqrt(t * t + 1.0);
                const double s = t * c;
                for (int k = 0; k < 3; ++k) {
                    const double kp = m[k][p];
                    const double kq = m[k][q];
                    m[k][p] = c * kp - s * kq;
                    m[k][q] = s * kp + c * kq;
                }
                for (int k = 0; k < 3; ++k) {
                    const double pk = m[p][k];
                    const double qk = m[q][k];
                    m[p][k] = c * pk - s * qk;
                    m[q][k] = s * pk + c * qk;
                }
            }
        }
    }
    return {m[0][0], m[1][1], m[2][2]};
}

} // namespace

std::array<double, 3> principalExtents(const SbVec3f* points, int count) {
    if (count <= 0) {
        return {0, 0, 0};
    }
    double mean[3] = {0, 0, 0};
    for (int i = 0; i < count; ++i) {
        for (int a = 0; a < 3; ++a) {
            mean[a] += points[i][a];
        }
    }
    for (double& m : mean) {
        m /= count;
    }
    double covariance[3][3] = {};
    for (int i = 0; i < count; ++i) {
        const double d[3] = {points[i][0] - mean[0], points[i][1] - mean[1],
                             points[i][2] - mean[2]};
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) {
                covariance[a][b] += d[a] * d[b] / count;
            }
        }
    }
    std::array<double, 3> extents = symmetricEigenvalues(covariance);
    for (double& e : extents) {
        e = std::sqrt(std::max(e, 0.0));
    }
    std::sort(extents.begin(), extents.end(), std::greater<double>());
    return extents;
}
