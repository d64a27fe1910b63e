#include "startup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QScreen>
#include <QStringList>
#include <cstring>
#include <iostream>
#include <memory>

#include "app/autosave_timer.h"
#include "app/editor_hooks.h"
#include "app/main_frame.h"
#include "app/materials_panel.h"
#include "app/qt_platform.h"
#include "app/recover_dialog.h"
#include "app/screen_colormap.h"
#include "app/talvor_doc.h"
#include "app/text_dialog.h"
#include "app/tip_file.h"
#include "document/autosave_recovery.h"
#include "model/message_table.h"
#include "model/out_of_memory.h"
#include "platform/program_settings.h"

#ifndef KELTO_VERSION
#define KELTO_VERSION "0.0.0"
#endif
#ifndef KELTO_DATA_DIR
#define KELTO_DATA_DIR ""
#endif

namespace kelto {

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine line;
    bool only_files = false;
    for (const QString& argument : arguments) {
        if (!only_files && argument == "--") {
            only_files = true;
        } else if (!only_files && (argument == "--help" || argument == "-h")) {
            line.help = true;
        } else if (!only_files && (argument == "--version" || argument == "-v")) {
            line.version = true;
        } else if (!only_files && argument == "--nologo") {
            line.show_tips = false;
        } else if (!only_files && argument.startsWith('-') && argument.size() > 1) {
            line.error = "unknown option " + argument;
        } else if (line.scene_file.isEmpty()) {
            line.scene_file = argument;
        } else {
            line.error = "only one scene file can be given";
        }
    }
    return line;
}

CommandLine ParseEarly(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return ParseCommandLine(arguments);
}

std::string UsageText() {
    return "usage: kelto [--nologo] [SCENE.kel]\n"
           "\n"
           "Kelto, an interactive 3D modeller with a ray tracer.\n"
           "\n"
           "  SCENE.kel   a scene file to open (otherwise a new, empty scene)\n"
           "  --nologo    no tip of the day at start-up\n"
           "  --help      this text\n"
           "  --version   the program's version\n"
           "\n"
           "Qt's own options (-platform, -display, ...) are understood too.\n";
}

std::string VersionText() {
    return std::string("kelto ") + KELTO_VERSION + "\n";
}

QString DataFolder() {
    const QString beside =
        QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("../share/kelto");
    if (QFileInfo(QDir(beside).filePath(kTipFileName)).exists()) {
        return QDir::cleanPath(beside);
    }
    return QString::fromUtf8(KELTO_DATA_DIR);
}

namespace {

bool OpenGLWorks() {
    QOpenGLContext context;
    if (!context.create()) {
        return false;
    }
    QOffscreenSurface surface;
    surface.create();
    const bool current = surface.isValid() && context.makeCurrent(&surface);
    if (current) {
        context.doneCurrent();
    }
    return current;
}

}  // namespace

int RunKelto(int argc, char** argv) {
    InstallOutOfMemoryHandler();
    // The command line first: --help and --version need no display.
    const CommandLine early = ParseEarly(argc, argv);
    if (early.help) {
        std::cout << UsageText();
        return 0;
    }
    if (early.version) {
        std::cout << VersionText();
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setOrganizationName("Vorn");
    QApplication::setApplicationName("Kelto");
    QApplication::setApplicationVersion(KELTO_VERSION);
    QApplication::setDesktopFileName("kelto");
    UseScreenColormapForTopLevels(application);
    QtMessageSink messages;

    // Parsed again now that Qt has taken its own options out.
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    const CommandLine line = ParseCommandLine(arguments);
    if (!line.error.isEmpty()) {
        std::cerr << "kelto: " << line.error.toStdString() << "\n" << UsageText();
        return 2;
    }

    // The display must show at least 16-bit colour.
    if (const QScreen* screen = QGuiApplication::primaryScreen();
        screen != nullptr && screen->depth() < 16) {
        messages.Show(Status::Message(kMsgNeedsColour));
        return -1;
    }

    // Settings under the maker's name, with the recent-file list of six.
    QtSettingsStore settings;
    QtFileChooser files;
    QtColourChooser colours;
    QtWindowThread window_thread;
    const bool settings_writable = settings.CanWrite();

    CMainFrame frame(
        AppServices{messages, files, settings, window_thread, DataFolder().toStdString()});
    messages.SetParent(&frame);
    files.SetParent(&frame);
    colours.SetParent(&frame);
    CommandHooks hooks = frame.Hooks();  // the render window's hooks are there already
    AddEditorHooks(hooks, EditorServices{messages, files, colours, settings, window_thread},
                   &frame);
    AddMaterialsPanelHook(hooks, frame,
                          MaterialsPanelServices{messages, window_thread, UserMaterialFolder(),
                                                 SwatchCacheFolder(), KELTO_VERSION});
    frame.SetHooks(std::move(hooks));
    frame.SetTextToolPrompt(std::make_unique<DialogTextToolPrompt>(settings, &frame));
    if (!settings_writable) {
        messages.Show(Status::Message(kMsgSettingsReadOnly, {settings.FileName()}));
    }

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        frame.setGeometry(screen->availableGeometry());  // where no window manager maximises
    }
    frame.ShowPanels(true);
    frame.showMaximized();
    // The command line's file, or a new document; a file that cannot be read leaves a new one,
    // and its message comes once that document's window is there behind it.
    if (line.scene_file.isEmpty()) {
        frame.NewDocument();
    } else if (Result<CTalvorDoc*> opened = frame.TryOpenDocumentFile(line.scene_file);
               !opened.ok()) {
        frame.NewDocument();
        messages.Show(opened.status());
    }
    if (!OpenGLWorks()) {
        frame.ReportMissingOpenGL();
    }

    // Autosaves from here on; then what earlier processes left behind, if anything (a listing
    // of the folder when there is nothing).
    const std::string autosave_folder = AutosaveFolder();
    auto* autosave = new AutosaveTimer(frame, messages, autosave_folder, ThisProcessOwner());
    AutosaveRecovery recovery = AutosaveRecovery::Scan(autosave_folder, ThisProcessOwner());
    if (!recovery.Empty()) {
        CTalvorDoc* fresh = frame.Documents().size() == 1 && line.scene_file.isEmpty()
                                ? frame.Documents().front().get()
                                : nullptr;
        // The new empty scene gives way to the recovered ones unless it was changed.
        if (OfferRecovery(frame, *autosave, recovery) == RecoveryChoice::Recover &&
            fresh != nullptr && frame.Documents().size() > 1 && !fresh->IsModified()) {
            frame.CloseDocument(*fresh);
        }
    }

    if (line.show_tips &&
        settings.ReadInt(settings_keys::kTipSection, settings_keys::kTipStartUp, 0) == 0) {
        frame.ShowTipDialog();
    }
    return QApplication::exec();
}

}  // namespace kelto
