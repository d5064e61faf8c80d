#include <gtest/gtest.h>
#include "registry/RegistryLib.h"
TEST(Build, Links) { EXPECT_EQ(TypeFromName("reg_dword"), 4u); }
