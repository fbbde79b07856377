#pragma once

// Everything the client uses of the SDK.

#include "sdk/Analytics.h"
#include "sdk/Delegates.h"
#include "sdk/Logger.h"
#include "sdk/PDError.h"
#include "sdk/PDNetworks.h"
#include "sdk/PDTypes.h"
#include "sdk/Veltrix.h"
#include "sdk/VeltrixXPC.h"
