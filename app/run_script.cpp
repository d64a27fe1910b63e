#include "app/run_script.h"

#include <pybind11/embed.h>
#include <pybind11/eval.h>

#include <exception>
#include <filesystem>
#include <optional>

#include "model/message_table.h"
#include "python/kelto_module.h"
#include "python/lent_document.h"

// The module `kelto` built into the application: the same bindings as the extension module,
// found by `import kelto` before anything on the module path.
PYBIND11_EMBEDDED_MODULE(kelto, module) {
    kelto::python::DefineModule(module);
}

namespace kelto {
namespace {

namespace py = pybind11;

// Starts the interpreter the first time (it lives until the process ends: finalising it
// would end threads a script left running), without Python's signal handlers, so that the
// desktop keeps Ctrl+C. Its lock is then let go: each run takes it again, and threads a
// script started can go on between runs.
void StartPython() {
    if (Py_IsInitialized() == 0) {
        py::initialize_interpreter(false);
        PyEval_SaveThread();
    }
}

// The exception as Python prints it: the traceback, then the exception's type and message.
std::string Describe(const py::error_already_set& error) {
    try {
        const py::object lines =
            py::module_::import("traceback")
                .attr("format_exception")(error.type(), error.value(), error.trace());
        return py::str("").attr("join")(lines).cast<std::string>();
    } catch (const std::exception&) {
        return error.what();
    }
}

// sys.exit() with nothing, 0 or None ends a script well, as it ends `python3 script.py`.
bool EndedWell(const py::error_already_set& error) {
    if (!error.matches(PyExc_SystemExit)) {
        return false;
    }
    const py::object code = error.value().attr("code");
    return code.is_none() || (py::isinstance<py::int_>(code) && code.cast<long>() == 0);
}

// The script's folder first on the module path while it runs, as `python3 script.py` has it.
class ScriptFolderOnPath {
  public:
    explicit ScriptFolderOnPath(const std::string& script_path)
        : path_(py::module_::import("sys").attr("path")),
          folder_(std::filesystem::absolute(script_path).parent_path().string()) {
        path_.attr("insert")(0, folder_);
    }
    ~ScriptFolderOnPath() {
        try {
            path_.attr("remove")(folder_);
        } catch (const py::error_already_set&) {
            // The script took it out itself.
        }
    }
    ScriptFolderOnPath(const ScriptFolderOnPath&) = delete;
    ScriptFolderOnPath& operator=(const ScriptFolderOnPath&) = delete;

  private:
    py::object path_;
    py::str folder_;
};

// Runs the script with the document lent to it; what went wrong, as Python prints it.
std::optional<std::string> RunLent(DocumentCore& core, const std::string& document_path,
                                   const std::string& script_path) {
    const py::module_ sys = py::module_::import("sys");
    sys.attr("argv") = py::list(py::make_tuple(script_path));
    const ScriptFolderOnPath folder(script_path);
    const python::LentDocument lent(core, document_path);
    py::dict globals;
    globals["__name__"] = "__main__";
    globals["doc"] = lent.Handle();
    std::optional<std::string> failure;
    try {
        py::eval_file(script_path, globals);
    } catch (const py::error_already_set& error) {
        if (!EndedWell(error)) {
            failure = Describe(error);
        }
    } catch (const std::exception& error) {
        failure = error.what();  // a file that cannot be opened
    }
    globals.clear();
    for (const char* stream : {"stdout", "stderr"}) {
        try {
            sys.attr(stream).attr("flush")();
        } catch (const py::error_already_set&) {
            // A stream the script replaced or closed.
        }
    }
    return failure;
}

}  // namespace

Status RunScript(DocumentCore& core, const std::string& document_path,
                 const std::string& script_path) {
    StartPython();
    const py::gil_scoped_acquire lock;
    const std::string name = std::filesystem::path(script_path).filename().string();
    const std::uint64_t before = core.HistoryState();
    DocumentCore::ViewsState views_before = core.StoredViews();
    std::optional<std::string> failure;
    {
        const DocumentCore::EditScope step(core, "Run Script " + name);
        try {
            failure = RunLent(core, document_path, script_path);
        } catch (const std::exception& error) {
            failure = error.what();
        }
    }
    if (!failure) {
        return Status::Ok();
    }
    core.RestoreViews(std::move(views_before));  // cameras it stored or an import brought
    if (core.HistoryState() != before && !core.DiscardStepsSince(before).ok()) {
        // The step was too large for the history to keep: there is nothing to go back to.
        return Status::Message(kMsgScriptFailedKept, {name, *failure});
    }
    return Status::Message(kMsgScriptFailed, {name, *failure});
}

}  // namespace kelto
