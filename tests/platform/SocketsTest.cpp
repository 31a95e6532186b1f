// The sockets layer starts (Windows Sockets 1.1 on Windows, nothing to do on POSIX), once per
// object, and lets go when the object goes.
#include <gtest/gtest.h>

#include "platform/Sockets.h"

namespace {

TEST(Sockets, TheLayerStartsAndStartsAgainAfterRelease) {
    for (int round = 0; round < 2; ++round) {
        platform::CSocketsLayer layer;
        EXPECT_FALSE(layer.Started());
        ASSERT_TRUE(layer.Start());
        EXPECT_TRUE(layer.Started());
        EXPECT_TRUE(layer.Start()); // a second start holds nothing more
        platform::CSocketsLayer another;
        EXPECT_TRUE(another.Start());
    }
}

} // namespace
