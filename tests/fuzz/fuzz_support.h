// What the fuzz targets share: an invariant check that stops the run.
#ifndef AUTORUN_FUZZ_SUPPORT_H
#define AUTORUN_FUZZ_SUPPORT_H

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "app/launcher.h"
#include "standin_world.h"

#define REQUIRE(condition)                                 \
    do {                                                   \
        if (!(condition)) {                                \
            fprintf(stderr, "violated: %s\n", #condition); \
            abort();                                       \
        }                                                  \
    } while (0)

#endif
