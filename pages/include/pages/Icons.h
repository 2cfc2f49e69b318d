// The program's icons, by the resource numbers they had as resources.
#pragma once

#include <QIcon>
#include <cstdint>

enum class IconId : std::uint16_t {
    Application = 128,  // white lamp
    RedDisc = 133,
    GreenDisc = 134,
    RedLamp = 135,
};

QIcon IconFor(IconId id);
