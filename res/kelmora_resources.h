// The program's resources: dialog template 102, the string table and icon 128.
#pragma once

#include "framework/resources.h"

namespace ostrevin {

const fw::ResourceModule& KelmoraResources();

}  // namespace ostrevin
