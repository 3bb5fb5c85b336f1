// The host utility layer: everything the client uses of it, in one include.
#pragma once

#include "utility/registry.h"
#include "utility/strings.h"
#include "utility/system.h"
