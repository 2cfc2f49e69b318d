#include "SettingsNotSaved.h"

#include "settings/SettingsKey.h"

QString SettingsNotSavedText() {
    return QStringLiteral("The settings could not be saved to the settings file\r\n%1\r\n"
                          "They stay in use until the program ends.")
        .arg(QString::fromStdString(CSettingsKey::ValuesFilePath(kProductKeyPath)));
}
