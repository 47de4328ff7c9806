#include "analysis/fit_models.h"

#include <array>

#include "analysis/instrumental_response.h"

double DhoShape(double x, double area, double nu0, double gamma) {
    const double x2 = x * x;
    const double nu2 = nu0 * nu0;
    const double diff = x2 - nu2;
    return kFourOverPi * area * gamma * nu2 / (diff * diff + 4.0 * gamma * gamma * x2);
}

double LorentzianShape(double x, double area, double nu0, double gamma) {
    const double dx = x - nu0;
    return area * gamma / (kFitPi * (dx * dx + gamma * gamma));
}

double GaussianShape(double x, double area, double nu0, double gamma) {
    const double u = (x - nu0) / gamma;
    return area * kInvSqrtTwoPi * std::exp(-0.5 * u * u) / gamma;
}

double DhoModel(double x, const double* params, double* derivatives, const ConvolutionContext&) {
    const ShapeWithDerivatives d = DhoShapeWithDerivatives(x, params[2], params[3], params[4]);
    derivatives[1] = 1.0;
    derivatives[2] = d.dArea;
    derivatives[3] = d.dNu0;
    derivatives[4] = d.dGamma;
    return params[1] + d.value;
}

double LorentzianModel(double x, const double* params, double* derivatives,
                       const ConvolutionContext&) {
    const double area = params[2];
    const double gamma = params[4];
    const double dx = x - params[3];
    const double d = dx * dx + gamma * gamma;
    derivatives[1] = 1.0;
    derivatives[2] = gamma / (kFitPi * d);
    derivatives[3] = 2.0 * area * gamma * dx / (kFitPi * d * d);
    derivatives[4] = (area / kFitPi) * (1.0 / d - 2.0 * gamma * gamma / (d * d));
    return params[1] + area * gamma / (kFitPi * d);
}

double GaussianModel(double x, const double* params, double* derivatives,
                     const ConvolutionContext&) {
    const double area = params[2];
    const double gamma = params[4];
    const double dx = x - params[3];
    const double u = dx / gamma;
    const double g = std::exp(-0.5 * u * u);
    const double g2 = gamma * gamma;
    derivatives[1] = 1.0;
    derivatives[2] = kInvSqrtTwoPi * g / gamma;
    derivatives[3] = area * kInvSqrtTwoPi * g * dx / (g2 * gamma);
    derivatives[4] = area * kInvSqrtTwoPi * g * (dx * dx - g2) / (g2 * g2);
    return params[1] + area * kInvSqrtTwoPi * g / gamma;
}

namespace {

using Shape = double (*)(double, double, double, double);

Shape ShapeForCode(int code) {
    switch (code) {
        case kModelLorentzian:
            return LorentzianShape;
        case kModelGaussian:
            return GaussianShape;
        default:
            return DhoShape;
    }
}

double ConvolvedSum(Shape shape, double x, const double* params,
                    const ConvolutionContext& context) {
    const int h = SubPointHalfCount(context.subdivision);
    const int m = 2 * h + 1;
    const int count = context.responseCount <= 1 ? 1 : context.responseCount;
    const double delta = context.delta;
    double sum = 0;
    for (int k = context.kernelFirst; k < context.kernelFirst + count; ++k) {
        double inner = 0;
        for (int i = -h; i <= h; ++i) {
            inner += params[1] + shape(x + delta * (k - kKernelCentre) + delta * i / m, params[2],
                                       params[3], params[4]);
        }
        sum += context.kernel[k] * (1.0 / m) * inner;
    }
    return sum;
}

}  // namespace

double ConvolvedDhoModel(double x, const double* params, double* derivatives,
                         const ConvolutionContext& context) {
    derivatives[1] = 1.0;
    for (int k = 2; k <= 4; ++k) {
        std::array<double, 5> copy{params[0], params[1], params[2], params[3], params[4]};
        derivatives[k] = RiddersDerivative(
            [&](double value) {
                copy[static_cast<std::size_t>(k)] = value;
                return ConvolvedSum(DhoShape, x, copy.data(), context);
            },
            params[k], 0.1 * params[k]);
    }
    return ConvolvedSum(DhoShape, x, params, context);
}

FitModelFunction ModelForCode(int code) {
    switch (code) {
        case kModelDho:
            return DhoModel;
        case kModelLorentzian:
            return LorentzianModel;
        case kModelGaussian:
            return GaussianModel;
        case kModelConvolvedDho:
            return ConvolvedDhoModel;
        default:
            return nullptr;
    }
}

double FittedCurveValue(int code, double x, const double* params,
                        const ConvolutionContext& context) {
    return ConvolvedSum(ShapeForCode(code), x, params, context);
}

CFitModelProvider::CFitModelProvider(double baseline, double area, double peak, double width,
                                     double zero, int subdivision,
                                     const CInstrumentalResponseFunction* response)
    : A(area), Gamma(width), nu0(peak), B(baseline), z(zero) {
    if (response != nullptr && response->GetCount() >= 3) {
        sampleStep = response->sampleStep;
        double total = 0;
        for (const PointData& p : response->points()) {
            total += p.value;
        }
        const double norm = total * sampleStep;
        // A response without area or step cannot be normalised; the model is then the baseline.
        if (norm != 0 && std::isfinite(norm)) {
            for (const PointData& p : response->points()) {
                normalisedResponse.AddPoint(p.x, p.value / norm);
            }
            hasResponse = true;
            N = response->GetCount();
            h = subdivision > 0 ? subdivision : 0;
            c = response->ZeroIndex();
        }
    }
}

double CFitModelProvider::Evaluate(int code, double x) const {
    const double d = x - z;
    switch (code) {
        case kModelDho:
            return B + DhoShape(d, A, nu0, Gamma);
        case kModelLorentzian:
            return B + LorentzianShape(d, A, nu0, Gamma);
        case kModelGaussian:
            return B + GaussianShape(d, A, nu0, Gamma);
        case kModelConvolvedDho: {
            if (!hasResponse) {
                return B;
            }
            const int m = 2 * h + 1;
            const double sub = sampleStep / m;
            double sum = 0;
            for (int i = 0; i < N; ++i) {
                const double weight = normalisedResponse[i].value * sub;
                for (int j = -h; j <= h; ++j) {
                    sum += DhoShape(d + sampleStep * (i - c) + j * sub, A, nu0, Gamma) * weight;
                }
            }
            return B + sum;
        }
        default:
            return -1;
    }
}
