// SPDX-License-Identifier: BSD-3-Clause
// quorvane._core: the compiled half of the quorvane package. The public API
// lives in the pure-Python modules; this exposes the reader, the converter
// and the frame-count probe, releasing the GIL while they work.

#include "Conversion.h"
#include "Export.h"
#include "convert/Conversion.h"
#include "Measure.h"
#include "QuorvaneVersion.h"
#include "RecordingReader.h"
#include "Termination.h"
#include "Time.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <atomic>
#include <optional>
#include <system_error>

namespace py = pybind11;

namespace {

// Paths and texts that carry paths are bytes in the file system's encoding.
py::str FsText(const std::string& text) {
    PyObject* decoded =
        PyUnicode_DecodeFSDefaultAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    if (decoded == nullptr) {
        throw py::error_already_set();
    }
    return py::reinterpret_steal<py::str>(decoded);
}

py::object ErrorClass(const char* name) {
    return py::module_::import("quorvane._errors").attr(name);
}

void SetError(const py::object& exception) {
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exception.ptr())), exception.ptr());
}

void TranslateErrors(std::exception_ptr caught) {
    try {
        if (caught) {
            std::rethrow_exception(caught);
        }
    } catch (const PathError& e) {
        // OSError(errno, text, filename) builds the matching subclass.
        const std::string text = std::error_code(e.errnoValue, std::generic_category()).message();
        SetError(py::handle(PyExc_OSError)(e.errnoValue, text, FsText(e.path)));
    } catch (const RefusedError& e) {
        SetError(ErrorClass("VornError")(FsText(e.what())));
    } catch (const ShortFrameFault& e) {
        SetError(ErrorClass("ShortFrameError")(FsText(e.what()), e.frame, FsText(e.path)));
    } catch (const ChangedError& e) {
        SetError(ErrorClass("RecordingChangedError")(FsText(e.what())));
    } catch (const ClosedError& e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    }
}

std::string TypeName(py::handle object) {
    return py::str(py::type::handle_of(object).attr("__name__"));
}

// The caller's output array, checked to take `count` frames (0: one frame of
// shape (height, width)) with no conversion and no copy.
py::array CheckedOut(py::handle out, const RecordingReader& reader, int64_t count) {
    if (!py::isinstance<py::array>(out)) {
        throw py::type_error("out must be a numpy.ndarray, not " + TypeName(out));
    }
    auto array = py::reinterpret_borrow<py::array>(out);
    if (!array.dtype().equal(py::dtype::of<uint16_t>())) {
        throw py::type_error("out must have dtype uint16 in native byte order, not " +
                             std::string(py::str(array.dtype())));
    }
    const bool one = count == 0;
    const bool shaped = one ? (array.ndim() == 2 && array.shape(0) == reader.height &&
                               array.shape(1) == reader.width)
                            : (array.ndim() == 3 && array.shape(0) == count &&
                               array.shape(1) == reader.height && array.shape(2) == reader.width);
    if (!shaped) {
        const std::string frame = std::to_string(reader.height) + ", " +
                                  std::to_string(reader.width);
        throw py::value_error("out must have shape (" +
                              (one ? frame : std::to_string(count) + ", " + frame) + "), not " +
                              std::string(py::str(out.attr("shape"))));
    }
    constexpr int kAligned = 0x0100; // NPY_ARRAY_ALIGNED
    if ((array.flags() & py::array::c_style) == 0 || (array.flags() & kAligned) == 0) {
        throw py::value_error("out must be C-contiguous and aligned");
    }
    if (!array.writeable()) {
        throw py::value_error("out is read-only");
    }
    return array;
}

py::dict ConvertResult(const ConvertSummary& summary) {
    py::dict result;
    result["status"] = summary.status;
    result["files"] = summary.files;
    result["failed_frame"] = summary.failedFrame;
    result["failed_file"] = py::bytes(summary.failedFile);
    result["reason"] = FsText(summary.reason);
    result["message"] = FsText(summary.message);
    result["skipped"] = summary.skipped;
    result["manifest_error"] = FsText(summary.manifestError);
    return result;
}

py::dict Convert(const std::string& recording, const std::string& output, int bits, int first,
                 int last, int jobs, bool stack, bool skipExisting, bool manifest,
                 const py::object& rate, bool timestamps) {
    ConvertExtras extras{stack, skipExisting, manifest, std::nullopt, timestamps};
    if (!rate.is_none()) {
        extras.rate = rate.cast<double>();
    }
    std::atomic<bool> cancel{false};
    std::optional<py::error_already_set> interrupt;
    ConvertSummary summary;
    {
        const TerminationGuard termination;
        py::gil_scoped_release release;
        // Ctrl-C stops the run after the frames in progress, as in the CLI;
        // the files written so far stay. SIGTERM and SIGHUP stop it the same
        // way, and end the process once it cleaned up.
        const ConvertTick tick = [&](int64_t, int64_t) {
            if (TerminationGuard::Noted()) {
                cancel.store(true);
            }
            py::gil_scoped_acquire acquire;
            if (!interrupt && PyErr_CheckSignals() != 0) {
                interrupt.emplace();
                cancel.store(true);
            }
        };
        summary = ConvertFrames(recording, output, bits, first, last, jobs, extras, &cancel, tick);
    }
    if (interrupt) {
        throw std::move(*interrupt);
    }
    if (summary.status == "refused") {
        // What the command line refuses as a usage error, before writing anything.
        PyErr_SetObject(PyExc_ValueError, FsText(summary.message).ptr());
        throw py::error_already_set();
    }
    return ConvertResult(summary);
}

// A manifest entry as a tuple (frame, recorded, path bytes, size, sha256).
py::tuple FileEntry(const ManifestFile& file) {
    return py::make_tuple(file.frame, file.recorded, py::bytes(file.path), file.size, file.sha256);
}

ManifestFile ParseEntry(const py::handle& entry) {
    const auto items = py::cast<py::tuple>(entry);
    if (items.size() != 5) {
        throw py::value_error("a file entry is (frame, recorded, path, size, sha256)");
    }
    return {py::cast<int>(items[0]), py::cast<int64_t>(items[1]), 0,
            py::cast<std::string>(items[2]), py::cast<int64_t>(items[3]),
            py::cast<std::string>(items[4])};
}

// The conversion of one part of a recording by one task, with its files' hashes.
py::tuple ConvertPart(const std::string& recording, const std::string& output, int bits,
                      int first, int last) {
    std::vector<ManifestFile> files;
    ConvertSummary summary;
    {
        py::gil_scoped_release release;
        summary = ConvertOnePart(recording, output, bits, first, last, files);
    }
    py::list entries;
    for (const ManifestFile& file : files) {
        entries.append(FileEntry(file));
    }
    return py::make_tuple(ConvertResult(summary), entries);
}

py::str WriteManifestOfParts(const std::string& recording, const std::string& output, int bits,
                             int first, int last, int jobs, const py::iterable& entries) {
    std::vector<ManifestFile> files;
    for (const py::handle entry : entries) {
        files.push_back(ParseEntry(entry));
    }
    std::string error;
    {
        py::gil_scoped_release release;
        error = WritePartsManifest(recording, output, bits, first, last, jobs, files);
    }
    return FsText(error);
}

// The command line's planning of a batch: '' or its usage error.
py::str CheckPlan(const py::iterable& recordings, const std::string& output, bool stack,
                  bool manifest) {
    ConversionRequest request;
    for (const py::handle path : recordings) {
        request.recordings.push_back(py::cast<std::string>(path));
    }
    request.output = output;
    request.stack = stack;
    request.manifest = manifest;
    request.outputIsFolder = true;
    std::string problem;
    {
        py::gil_scoped_release release;
        problem = CheckConversion(request);
    }
    return FsText(problem);
}

void BindConversionExtras(py::module_& m) {
    m.def("check_plan", &CheckPlan, py::arg("recordings"), py::arg("output"),
          py::arg("stack") = false, py::arg("manifest") = false,
          "The usage error of converting the recordings into the folder output, or ''.");
    m.def("convert_part", &ConvertPart, py::arg("recording"), py::arg("output"), py::arg("bits"),
          py::arg("first"), py::arg("last"),
          "Converts frames first..last with one thread: (result, hashed file entries).");
    m.def("write_manifest", &WriteManifestOfParts, py::arg("recording"), py::arg("output"),
          py::arg("bits"), py::arg("first"), py::arg("last"), py::arg("jobs"), py::arg("files"),
          "Writes the manifest of a finished run from its file entries; '' or the error line.");
    m.def(
        "stack_name",
        [](const std::string& recording, const std::string& output) {
            return py::bytes(StackName(recording, output));
        },
        py::arg("recording"), py::arg("output"), "File name of the stack for the output argument.");
    m.def(
        "manifest_name",
        [](const std::string& recording, const std::string& output) {
            return py::bytes(ManifestName(recording, output));
        },
        py::arg("recording"), py::arg("output"), "File name of the manifest for the output argument.");
}

// Truncated recordings and processes forked while a recording is open.
void BindCompletenessAndFork(py::class_<RecordingReader>& reader) {
    reader.def_readonly("stored_frames", &RecordingReader::storedFrames)
        .def_readonly("complete_frames", &RecordingReader::completeFrames)
        .def("after_fork_in_child", &RecordingReader::AfterForkInChild,
             "Makes the reader usable in a child process after fork.");
}

void BindReader(py::module_& m) {
    py::class_<RecordingReader> reader(m, "Reader", "An open recording; see quorvane.Recording.");
    reader
        .def(py::init([](const std::string& path, bool correction, bool completeOnly) {
                 py::gil_scoped_release release;
                 return std::make_unique<RecordingReader>(path, correction, completeOnly);
             }),
             py::arg("path"), py::arg("correction"), py::arg("complete_only") = false)
        .def_readonly("width", &RecordingReader::width)
        .def_readonly("height", &RecordingReader::height)
        .def_readonly("frames", &RecordingReader::frames)
        .def_readonly("frame_bytes", &RecordingReader::frameBytes)
        .def_readonly("quadrants", &RecordingReader::quadrants)
        .def_readonly("little_endian", &RecordingReader::littleEndian)
        .def_readonly("correction_kind", &RecordingReader::correctionKind)
        .def_readonly("correction_note", &RecordingReader::correctionNote)
        .def_readonly("first_frame_number", &RecordingReader::firstFrameNumber)
        .def_readonly("last_frame_number", &RecordingReader::lastFrameNumber)
        .def_readonly("calibration", &RecordingReader::calibration)
        .def_property_readonly(
            "model", [](const RecordingReader& r) { return py::bytes(r.model.data(), 4); })
        .def_property_readonly("closed", &RecordingReader::IsClosed)
        .def_property_readonly("seek_count", &RecordingReader::SeekCount)
        .def("close", &RecordingReader::Close, py::call_guard<py::gil_scoped_release>(),
             "Closes the file, after a read in progress.")
        .def(
            "read",
            [](RecordingReader& r, int64_t index, py::object out) {
                auto* destination = static_cast<uint16_t*>(CheckedOut(out, r, 0).mutable_data());
                py::gil_scoped_release release;
                r.Read(index, destination);
            },
            py::arg("index"), py::arg("out"), "Decodes one frame into out.")
        .def(
            "read_many",
            [](RecordingReader& r, int64_t start, int64_t step, int64_t count, py::object out) {
                if (count < 1) {
                    throw py::value_error("count must be positive");
                }
                auto* destination =
                    static_cast<uint16_t*>(CheckedOut(out, r, count).mutable_data());
                py::gil_scoped_release release;
                r.ReadMany(start, step, count, destination);
            },
            py::arg("start"), py::arg("step"), py::arg("count"), py::arg("out"),
            "Decodes frames start, start + step, ... into out, one lock for the run.");
    BindCompletenessAndFork(reader);
}

} // namespace

PYBIND11_MODULE(_core, m) {
    m.doc() = "Compiled core of the quorvane package; use the quorvane module instead.";
    py::register_exception_translator(&TranslateErrors);
    m.attr("version") = QUORVANE_VERSION;
    BindReader(m);

    m.def("convert", &Convert, py::arg("recording"), py::arg("output"), py::arg("bits"),
          py::arg("first"), py::arg("last"), py::arg("jobs"), py::arg("stack") = false,
          py::arg("skip_existing") = false, py::arg("manifest") = false,
          py::arg("rate") = py::none(), py::arg("timestamps") = false,
          "Converts frames first..last as quorvane-cli convert -o output does.");
    BindConversionExtras(m);
    BindExport(m);
    BindTime(m);
    BindMeasure(m);
    m.def(
        "frame_names",
        [](const std::string& recording, const std::string& output, int first, int last) {
            py::list names;
            for (const std::string& name : FrameFileNames(recording, output, first, last)) {
                names.append(py::bytes(name));
            }
            return names;
        },
        py::arg("recording"), py::arg("output"), py::arg("first"), py::arg("last"),
        "File names of frames first..last for the output argument.");
    m.def(
        "probe",
        [](const std::string& path) {
            std::string message;
            int32_t frames = 0;
            {
                py::gil_scoped_release release;
                frames = ProbeFrameCount(path, message);
            }
            return py::make_tuple(frames, message.empty() ? py::object(py::none())
                                                          : py::object(FsText(message)));
        },
        py::arg("path"), "(frames, None), or (0, the CLI's 'cannot open' text).");
}
