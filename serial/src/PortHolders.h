// Who else has a serial device open: exclusive mode and locks turn away only later openers, so a
// program that already holds the port (a terminal program left running) is looked for among the
// open descriptors under /proc.
#pragma once

#include <sys/types.h>

// The first process other than this one that has the character device open, as far as this user
// can see (other users' descriptors are hidden unless privileged); 0 when none is seen.
pid_t OtherHolderOf(dev_t device);
