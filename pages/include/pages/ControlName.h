// Controls carry their template id as their object name ("1077", "1079", ...), so that the main
// window and the tests find them by the page's named ids.
#pragma once

#include <QString>
#include <type_traits>

template <typename Id>
    requires std::is_enum_v<Id>
QString ControlName(Id id) {
    return QString::number(static_cast<int>(id));
}
