// The program's version, read by the version resource.
#pragma once

#define VEILKEEP_VERSION_MAJOR 1
#define VEILKEEP_VERSION_MINOR 0
#define VEILKEEP_VERSION_RC 1, 0, 0, 0
#define VEILKEEP_VERSION_TEXT "1.0"
