// The Python module `vantrel`: a thin binding of <vantrel/vantrel.h>. Arguments are turned into the
// library's options, the library's vectors into NumPy arrays; nothing is computed here.
#include <vantrel/vantrel.h>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace py = pybind11;

namespace {

using Values = py::array_t<double, py::array::c_style | py::array::forcecast>;

constexpr int kWaves = 10;

vantrel::Model modelNamed(const std::string& name) {
    if (const auto model = vantrel::modelNamed(name)) {
        return *model;
    }
    throw py::value_error("unknown model '" + name + "'");
}

// A number for every wave, or a list of ten.
std::array<double, kWaves> perWave(const py::object& given, std::array<double, kWaves> values, const char* name) {
    if (given.is_none()) {
        return values;
    }
    if (py::isinstance<py::float_>(given) || py::isinstance<py::int_>(given)) {
        values.fill(given.cast<double>());
        return values;
    }
    const auto list = given.cast<std::vector<double>>();
    if (list.size() != kWaves) {
        throw py::value_error(std::string(name) + " takes a number or a list of ten numbers");
    }
    std::copy(list.begin(), list.end(), values.begin());
    return values;
}

vantrel::Options optionsOf(const std::string& model, bool amplitude, bool wavelength, const py::object& d,
                           const py::object& i, int maxPoints) {
    vantrel::Options options;
    options.model = modelNamed(model);
    options.amplitude = amplitude;
    options.wavelength = wavelength;
    options.d = perWave(d, options.d, "d");
    options.i = perWave(i, options.i, "i");
    options.maxPoints = maxPoints;
    return options;
}

std::vector<double> valuesOf(const Values& array) {
    if (array.ndim() != 1) {
        throw py::value_error("values must be one-dimensional");
    }
    return {array.data(), array.data() + array.size()};
}

py::array_t<double> arrayOf(const std::vector<double>& values) {
    return py::array_t<double>(static_cast<py::ssize_t>(values.size()), values.data());
}

py::array_t<double> wavesOf(const vantrel::Decomposition& result) {
    const auto n = static_cast<py::ssize_t>(result.data.size());
    py::array_t<double> waves({static_cast<py::ssize_t>(kWaves), n});
    auto out = waves.mutable_unchecked<2>();
    for (py::ssize_t k = 0; k < kWaves; ++k) {
        for (py::ssize_t p = 0; p < n; ++p) {
            out(k, p) = result.waves[static_cast<std::size_t>(k)][static_cast<std::size_t>(p)];
        }
    }
    return waves;
}

// The Python face of a result: arrays and plain numbers, made under the GIL.
struct PyDecomposition {
    vantrel::Decomposition result; // for the long table
    py::array_t<double> data, trend, oscillation, waves, remainder;
    std::string model;
    double a = 0, b = 0;
    std::vector<double> d, i;

    explicit PyDecomposition(const vantrel::Decomposition& r)
        : result(r), data(arrayOf(r.data)), trend(arrayOf(r.trend)), oscillation(arrayOf(r.oscillation)),
          waves(wavesOf(r)), remainder(arrayOf(r.remainder)), model(vantrel::modelName(r.model)), a(r.a), b(r.b),
          d(r.d.begin(), r.d.end()), i(r.i.begin(), r.i.end()) {}

    py::object toFrame() const {
        const py::module_ pandas = py::module_::import("pandas");
        py::dict columns;
        columns["Data"] = data;
        columns["Regression"] = trend;
        columns["Oscillation"] = oscillation;
        for (int k = 0; k < kWaves; ++k) {
            columns[py::str("Wave " + std::to_string(k + 1))] = waves[py::int_(k)];
        }
        columns["Remainder"] = remainder;
        py::object frame = pandas.attr("DataFrame")(columns);
        frame.attr("index") = pandas.attr("RangeIndex")(1, data.size() + 1, py::arg("name") = "Index");
        return frame;
    }
};

// The columns of a 2-D array, each without its trailing NaN padding; or the items of a list.
std::vector<std::vector<double>> manySeriesOf(const py::object& series) {
    std::vector<std::vector<double>> all;
    if (py::isinstance<py::array>(series) && series.cast<py::array>().ndim() == 2) {
        const auto array = series.cast<Values>();
        const auto table = array.unchecked<2>();
        for (py::ssize_t c = 0; c < table.shape(1); ++c) {
            py::ssize_t rows = table.shape(0);
            while (rows > 0 && std::isnan(table(rows - 1, c))) {
                --rows;
            }
            std::vector<double> column(static_cast<std::size_t>(rows));
            for (py::ssize_t r = 0; r < rows; ++r) {
                column[static_cast<std::size_t>(r)] = table(r, c);
            }
            all.push_back(std::move(column));
        }
        return all;
    }
    for (const py::handle item : series) {
        all.push_back(valuesOf(py::reinterpret_borrow<py::object>(item).cast<Values>()));
    }
    return all;
}

// Each series on one of `jobs` threads, results in input order; the first failure in that order is
// raised after all have ended.
std::vector<vantrel::Decomposition> decomposeAll(const std::vector<std::vector<double>>& all,
                                                 const vantrel::Options& options, unsigned jobs) {
    std::vector<std::optional<vantrel::Decomposition>> results(all.size());
    std::vector<std::exception_ptr> failures(all.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t n = next++; n < all.size(); n = next++) {
            try {
                results[n] = vantrel::decompose(all[n], options);
            } catch (...) {
                failures[n] = std::current_exception();
            }
        }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < std::min<std::size_t>(jobs, all.size()); ++t) {
        threads.emplace_back(work);
    }
    work();
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::vector<vantrel::Decomposition> ordered;
    for (std::size_t n = 0; n < all.size(); ++n) {
        if (failures[n]) {
            std::rethrow_exception(failures[n]);
        }
        ordered.push_back(std::move(*results[n]));
    }
    return ordered;
}

constexpr const char* kDecomposeDoc = R"(Decompose one series into trend, oscillation, ten waves and remainder.

values      a 1-D sequence or NumPy array of numbers (at least 10; the last
            max_points are kept), each read to 15 significant digits as a
            pasted number is; a NaN or an infinity is refused
model       "linear", "logarithmic", "exponential" or "power"; data with a value
            of zero or below falls back to "linear"
amplitude   the amplitude adjustment of the d values (searched when on)
wavelength  the wavelength adjustment of the d values (searched when on)
d, i        a number or a list of ten: the d and i of each wave, taken as the
            window's boxes take a typed value and brought into their bounds
            (d with five decimals within +-99.99999, i a whole number of
            passes); default d 0 and i 8
max_points  how many of the last values are kept (10 to 100000)

Returns a Decomposition. Raises RefusedError when the data is refused and
AnalysisError when the arithmetic fails (an overflow, a logarithm of zero).)";

constexpr const char* kDecomposeManyDoc = R"(Decompose many series with the same options, on several threads.

series   a list of 1-D sequences, or a 2-D array with one series a column
         (trailing NaNs of a column are padding and dropped)
jobs     the number of threads (default: the number of processor cores);
         the results are the same whatever the number
options  as for decompose()

Returns a list of Decomposition in the order of the series. When a series
fails, the first failure in that order is raised (RefusedError or
AnalysisError) once every series has ended.)";

} // namespace

PYBIND11_MODULE(vantrel, m) {
    m.doc() = "The Vantrel: a trend, the oscillation around it, ten waves peeled off it by bidirectional mean "
              "averaging, and a remainder.";
    const auto refused = py::register_exception<vantrel::RefusedError>(m, "RefusedError", PyExc_ValueError);
    py::register_exception<vantrel::AnalysisError>(m, "AnalysisError", PyExc_ArithmeticError);
    refused.doc() = "The series was refused (too few points, too long, not numbers); the message says why.";

    m.attr("LONG_HEADER") = vantrel::longCsvHeading();
    py::class_<PyDecomposition>(m, "Decomposition", "The result of decompose(); every array has one value a point.")
        .def_readonly("data", &PyDecomposition::data, "the series as analysed (the last max_points values)")
        .def_readonly("trend", &PyDecomposition::trend, "the fitted trend at every point")
        .def_readonly("oscillation", &PyDecomposition::oscillation, "data minus trend")
        .def_readonly("waves", &PyDecomposition::waves, "10 x N: waves[k] is wave k + 1")
        .def_readonly("remainder", &PyDecomposition::remainder, "the oscillation less the ten waves")
        .def_readonly("model", &PyDecomposition::model, "the model fitted (after a fall back to linear)")
        .def_readonly("a", &PyDecomposition::a, "the fitted A")
        .def_readonly("b", &PyDecomposition::b, "the fitted B")
        .def_readonly("d", &PyDecomposition::d, "the ten d values used")
        .def_readonly("i", &PyDecomposition::i, "the ten i values used")
        .def(
            "long_rows",
            [](const PyDecomposition& r, const std::string& series) { return vantrel::longCsvRows(series, r.result); },
            "The lines of vantrel-batch's --long table for this result, named `series` (LF after each line).",
            py::arg("series"))
        .def("to_frame", &PyDecomposition::toFrame,
             "A pandas DataFrame with the table's columns: Data, Regression, Oscillation, Wave 1..10, Remainder.")
        .def("__repr__", [](const PyDecomposition& r) {
            return "<vantrel.Decomposition " + r.model + ", " + std::to_string(r.data.size()) + " points>";
        });

    m.def(
        "decompose",
        [](const Values& values, const std::string& model, bool amplitude, bool wavelength, const py::object& d,
           const py::object& i, int maxPoints) {
            const vantrel::Options options = optionsOf(model, amplitude, wavelength, d, i, maxPoints);
            const std::vector<double> series = valuesOf(values);
            std::optional<vantrel::Decomposition> result;
            {
                const py::gil_scoped_release released;
                result = vantrel::decompose(series, options);
            }
            return PyDecomposition(*result);
        },
        kDecomposeDoc, py::arg("values"), py::kw_only(), py::arg("model") = "linear", py::arg("amplitude") = true,
        py::arg("wavelength") = true, py::arg("d") = py::none(), py::arg("i") = py::none(),
        py::arg("max_points") = 1500);

    m.def(
        "decompose_many",
        [](const py::object& series, std::optional<unsigned> jobs, const std::string& model, bool amplitude,
           bool wavelength, const py::object& d, const py::object& i, int maxPoints) {
            const vantrel::Options options = optionsOf(model, amplitude, wavelength, d, i, maxPoints);
            const std::vector<std::vector<double>> all = manySeriesOf(series);
            const unsigned threads = jobs.value_or(std::max(1u, std::thread::hardware_concurrency()));
            if (threads == 0) {
                throw py::value_error("jobs must be at least 1");
            }
            std::vector<vantrel::Decomposition> results;
            {
                const py::gil_scoped_release released;
                results = decomposeAll(all, options, threads);
            }
            py::list out;
            for (const vantrel::Decomposition& result : results) {
                out.append(PyDecomposition(result));
            }
            return out;
        },
        kDecomposeManyDoc, py::arg("series"), py::kw_only(), py::arg("jobs") = py::none(), py::arg("model") = "linear",
        py::arg("amplitude") = true, py::arg("wavelength") = true, py::arg("d") = py::none(), py::arg("i") = py::none(),
        py::arg("max_points") = 1500);
}
