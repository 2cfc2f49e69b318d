// The program's icon resources by number: 128 application (white lamp), 133 red disc,
// 134 green disc, 135 red lamp.
#pragma once

#include <QIcon>
#include <cstdint>

QIcon IconForResource(std::uint16_t resourceId);
