// corvane-screenshots FOLDER: writes the documentation's pictures of the program into FOLDER,
// offscreen, with the simulator as the instrument and a private settings store and journal.
#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>

#include "Shots.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir config, state;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());  // the pictures' runs stay out of the journal
    const bool pages = TakePageShots(folder);
    const bool trend = TakeTrendShots(folder);
    return pages && trend ? 0 : 1;
}

bool SaveShot(QWidget& widget, const QDir& folder, const char* name) {
    QApplication::processEvents();
    if (widget.grab().save(folder.filePath(QString::fromLatin1(name)))) return true;
    std::fprintf(stderr, "cannot write %s\n", name);
    return false;
}
