#include <vantrel/vantrel.h>

#include <cstdio>
#include <vector>

int main() {
    std::vector<double> values;
    for (double v; std::scanf("%lf", &v) == 1;) {
        values.push_back(v);
    }
    vantrel::Options options;
    options.model = vantrel::Model::Power;
    const vantrel::Decomposition r = vantrel::decompose(values, options);
    std::printf("A = %.6f  B = %.6f  wave 1: d = %.5f, first value %.5f\n", r.a, r.b, r.d[0], r.waves[0][0]);
}
