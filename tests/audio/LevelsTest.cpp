#include "audio/Levels.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

} // namespace
