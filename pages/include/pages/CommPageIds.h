// Template ids of the Communications page's controls; its group boxes and label have none.
#pragma once

enum class CommPageId {
    Ports = 1029,
    Test = 1004,
    TestResult = 1013,
};
