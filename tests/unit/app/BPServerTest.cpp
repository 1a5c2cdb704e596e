#include <gtest/gtest.h>

#include "app/BPServer.h"

namespace {
TEST(ChooseBPServer, SubstitutesHost100OfTheLocalSubnet) {
  BPServerChoice c;
  EXPECT_EQ(ChooseBPServer(1, "203.0.113.7", "80", "8080", "10.20.30.41", &c), BP_SUBSTITUTED);
  EXPECT_EQ(c.svrIpAddr, "10.20.30.100");
  EXPECT_EQ(c.svrPortNo, "8080");
  EXPECT_EQ(c.orgSvrIpAddr, "203.0.113.7");
  EXPECT_EQ(c.orgSvrPortNo, "80");
}

TEST(ChooseBPServer, SwitchedOffOrNoServerLeavesTheServer) {
  BPServerChoice c;
  EXPECT_EQ(ChooseBPServer(0, "203.0.113.7", "80", "8080", "10.20.30.41", &c), BP_NOT_ASKED);
  EXPECT_EQ(c.svrIpAddr, "203.0.113.7");
  EXPECT_EQ(c.svrPortNo, "80");
  EXPECT_TRUE(c.orgSvrIpAddr.empty());
  EXPECT_EQ(ChooseBPServer(1, "", "80", "8080", "10.20.30.41", &c), BP_NOT_ASKED);
  EXPECT_EQ(ChooseBPServer(1, "203.0.113.7", "", "8080", "10.20.30.41", &c), BP_NOT_ASKED);
}

TEST(ChooseBPServer, UnknownBPPortKeepsTheConfiguredServer) {
  BPServerChoice c;
  EXPECT_EQ(ChooseBPServer(1, "203.0.113.7", "80", "", "10.20.30.41", &c), BP_PORT_UNKNOWN);
  EXPECT_EQ(c.svrIpAddr, "203.0.113.7");
  EXPECT_EQ(c.svrPortNo, "80");
}

TEST(ChooseBPServer, UnusableLocalAddressChangesNothing) {
  BPServerChoice c;
  EXPECT_EQ(ChooseBPServer(1, "203.0.113.7", "80", "8080", "", &c), BP_NO_LOCAL_IP);
  EXPECT_EQ(ChooseBPServer(1, "203.0.113.7", "80", "8080", "localhost", &c), BP_INVALID_IP);
  EXPECT_EQ(ChooseBPServer(1, "203.0.113.7", "80", "8080", ".5", &c), BP_INVALID_IP);
  EXPECT_EQ(c.svrIpAddr, "203.0.113.7");
  EXPECT_TRUE(c.orgSvrIpAddr.empty());
}

TEST(ChooseBPServer, AnyNonZeroFlagSwitchesItOn) {
  BPServerChoice c;
  EXPECT_EQ(ChooseBPServer(-3, "srv", "80", "9", "192.168.0.7", &c), BP_SUBSTITUTED);
  EXPECT_EQ(c.svrIpAddr, "192.168.0.100");
}
}  // namespace
