#include "module/host_abi.h"

// The host writes its panel function table into the first entry before it calls us.
ONE_PER_HOST IMPORT_TABLE ImportTable = {
    {IMPORT_ID_PANELS, nullptr},
    {0x00000000, nullptr},
};
