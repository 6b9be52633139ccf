// QueueNameTest.cc: which queue names reach a request, and how they are written into a path.
#include "QueueName.h"

#include <gtest/gtest.h>

#include <string>

namespace pde::cups::internal {
namespace {

TEST(QueueName, ChecksLengthAndEveryPosition) {
  EXPECT_FALSE(IsValidQueueName(""));
  EXPECT_TRUE(IsValidQueueName(std::string(127, 'q')));
  EXPECT_FALSE(IsValidQueueName(std::string(128, 'q')));
  EXPECT_TRUE(IsValidQueueName("VELMORA_q-RX730"));
  EXPECT_TRUE(IsValidQueueName("Büro-Drucker"));
  EXPECT_FALSE(IsValidQueueName("office laser"));
  EXPECT_FALSE(IsValidQueueName("laser/2"));
  EXPECT_FALSE(IsValidQueueName("laser\n"));
  EXPECT_FALSE(IsValidQueueName(std::string("la\0ser", 6)));
  for (const char* refused : {"a#b", "a?b", "a\\b", "a'b", "a\"b", "a\x7f"})
    EXPECT_FALSE(IsValidQueueName(refused)) << refused;
}

TEST(QueueName, EncodesAllButUnreservedBytesForAPath) {
  EXPECT_EQ(EncodeQueueNameForPath("VELMORA_q-RX730.1~a"), "VELMORA_q-RX730.1~a");
  EXPECT_EQ(EncodeQueueNameForPath("Laser+2%"), "Laser%2B2%25");
  EXPECT_EQ(EncodeQueueNameForPath("Büro"), "B%C3%BCro");
  EXPECT_EQ(EncodeQueueNameForPath(std::string("\xff\x01", 2)), "%FF%01");
  EXPECT_EQ(EncodeQueueNameForPath(""), "");
}

}  // namespace
}  // namespace pde::cups::internal
