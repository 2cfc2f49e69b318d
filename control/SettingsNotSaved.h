// The one box text for settings the store did not take: the action goes on with them, and the
// operator learns that the next start will not have them.
#pragma once

#include <QString>

QString SettingsNotSavedText();
