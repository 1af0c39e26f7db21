#pragma once

namespace vantrel {

// One averaging pass over points 1 to n of b (n >= 2), writing the forward means into f and the
// backward ones into g. The two running means are independent dependency chains; running them in the
// same loop, with the running values kept in registers, lets the processor overlap them. Once the
// chains have crossed, every point either chain reaches has both its means, so its average is taken
// there, in the shadow of the chains: the two means of a point are written before it is averaged, and
// a point is overwritten only after both chains have read it. Value is a double for the scalar
// averaging and a pack of lanes for the vector kernels, which therefore give the scalar bits per lane.
template <typename Value>
[[gnu::always_inline]] inline void averageOnePass(Value* b, Value* f, Value* g, Value w, Value wPlusOne, int n) {
    Value forward = b[1];
    Value backward = b[n];
    f[1] = forward;
    g[n] = backward;
    int k = 2;
    int j = n - 1;
    for (; k < j; ++k, --j) {
        forward = (w * b[k] + forward) / wPlusOne;
        f[k] = forward;
        backward = (w * b[j] + backward) / wPlusOne;
        g[j] = backward;
    }
    for (; k <= n; ++k, --j) {
        forward = (w * b[k] + forward) / wPlusOne;
        f[k] = forward;
        backward = (w * b[j] + backward) / wPlusOne;
        g[j] = backward;
        b[k] = (g[k] + f[k]) / 2;
        b[j] = (g[j] + f[j]) / 2;
    }
}

} // namespace vantrel
