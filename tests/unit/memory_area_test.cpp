#include "memory_output_area.h"
#include "output_area_contract.h"

namespace i2ct::test {
namespace {

struct MemoryFixture {
    MemoryOutputArea memory;
    OutputArea& area() { return memory; }
};

using Implementations = ::testing::Types<MemoryFixture>;
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, OutputAreaContract, Implementations);

TEST(MemoryOutputArea, InsertionPointFollowsTheLastWrite) {
    MemoryOutputArea a;
    a.append("one");
    a.append("");
    a.set(1, "?SET ");
    EXPECT_EQ(a.cursorLine(), 1);
    EXPECT_EQ(a.cursorColumn(), 5u);
    a.insert(1, "x");
    EXPECT_EQ(a.cursorLine(), 2);
    EXPECT_EQ(a.cursorColumn(), 0u);
    a.type("T");
    EXPECT_EQ(a.get(2), "T?SET ");
}

}  // namespace
}  // namespace i2ct::test
