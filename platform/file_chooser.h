// Choosing a file to open or a name to save under. The application shows the desktop's file
// dialogs; the headless implementation answers from a script.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kelto {

// One entry of a dialog's type list: the text as the dialog shows it and the name patterns
// it lets through.
struct FileFilter {
    std::string text;                   // "3D Studio Objects (*.3ds)"
    std::vector<std::string> patterns;  // {"*.3ds"}
    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

struct FileDialogRequest {
    std::string title;  // "Import Object..."
    std::vector<FileFilter> filters;
    std::string initial_name;  // a file name, or a folder to start in; may be empty
    int initial_filter = 0;
    // Added (with its dot) to a name chosen for saving without an extension; empty: nothing.
    std::string default_extension;
    // The dialog shows a small picture of the file under the cursor (Import Image...).
    bool image_preview = false;
    // A check box under the file list with this text ("Selection only"), checked at first when
    // `option_checked`; empty: none.
    std::string option_text;
    bool option_checked = false;
};

struct FileChoice {
    std::string path;
    int filter_index = 0;         // the entry of the type list chosen when the dialog closed
    bool option_checked = false;  // the request's check box, when it has one
    friend bool operator==(const FileChoice&, const FileChoice&) = default;
};

class FileChooser {
  public:
    virtual ~FileChooser() = default;
    // An existing file; nothing when the user cancels.
    virtual std::optional<FileChoice> ChooseFileToOpen(const FileDialogRequest& request) = 0;
    // A name to write to (asking before a file is replaced); nothing on Cancel.
    virtual std::optional<FileChoice> ChooseFileToSave(const FileDialogRequest& request) = 0;
};

// The program's dialogs and their type lists.
inline constexpr char kOpenSceneTitle[] = "Open";
inline constexpr char kSaveSceneTitle[] = "Save As";
inline constexpr char kImportObjectTitle[] = "Import Object...";
inline constexpr char kImportImageTitle[] = "Import Image...";
inline constexpr char kSaveImageTitle[] = "Save Image As...";
inline constexpr char kExportTitle[] = "Export";
inline constexpr char kRunScriptTitle[] = "Run Script";
inline constexpr char kSelectionOnlyOption[] = "Selection only";

// Scene files: "Kelto Files (*.kel)", then every file.
std::vector<FileFilter> SceneFileFilters();
// Import object from file: "3D Studio Objects (*.3ds)", then OBJ, STL, PLY and glTF each, then
// every file.
std::vector<FileFilter> ImportObjectFilters();
// Export: glTF binary, glTF, STL and OBJ, each with its extension (the first pattern's).
std::vector<FileFilter> ExportFilters();
// Run Script: Python scripts, then every file.
std::vector<FileFilter> ScriptFilters();
// Import Image: JPEG, PNG and TIFF together, each alone, then every file.
std::vector<FileFilter> ImportImageFilters();
// The whole Import Image... dialog: its title, type list and first name, with the picture
// preview.
FileDialogRequest ImportImageRequest();
// Save Image As: every picture type together, then each (the chosen entry decides the
// extension of a name typed without one).
std::vector<FileFilter> SaveImageFilters();

}  // namespace kelto
