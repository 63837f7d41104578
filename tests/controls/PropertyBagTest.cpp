#include <gtest/gtest.h>

#include "controls/PropertyBag.h"

using namespace nimbrel::controls;

TEST(PropertyBag, StoresOnlyValuesThatDifferFromTheirDefault) {
    PropertyBag bag;
    bag.WriteLong("A", 5, 5);
    bag.WriteString("B", "x", "x");
    bag.WriteBool("C", false, false);
    bag.WriteFont("F", MakeFont("Arial", 8.25), MakeFont("Arial", 8.25));
    EXPECT_EQ(bag.Size(), 0u);

    bag.WriteLong("A", 6, 5);
    EXPECT_EQ(bag.ReadLong("A", 5), 6);
    // Writing the default again removes what was there.
    bag.WriteLong("A", 5, 5);
    EXPECT_FALSE(bag.Contains("A"));
    EXPECT_EQ(bag.ReadLong("A", 99), 99);
}

TEST(PropertyBag, FontsAreKeptAsCopies) {
    PropertyBag bag;
    auto font = MakeFont("Arial", 12, true);
    bag.WriteFont("LabelFont", font, MakeFont("Arial", 8.25));
    font->Size = 30;  // the caller's object, not the bag's
    FontRef read = bag.ReadFont("LabelFont", nullptr);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Size, 12);
    EXPECT_TRUE(read->Bold);
    EXPECT_NE(read, font);
    // "No font" differs from a real default and is kept as such.
    bag.WriteFont("LabelFont", nullptr, MakeFont("Arial", 8.25));
    EXPECT_TRUE(bag.Contains("LabelFont"));
    EXPECT_EQ(bag.ReadFont("LabelFont", MakeFont("Arial", 8.25)), nullptr);
}

TEST(PropertyBag, ReadsConvertibleTypesAndRefusesOthers) {
    PropertyBag bag;
    bag.Set("Whole", 400.0);
    bag.Set("Big", int32_t(40000));
    bag.Set("Text", std::string("abc"));
    bag.Set("Flag", int32_t(-1));
    EXPECT_EQ(bag.ReadInt("Whole", 0), 400);
    EXPECT_EQ(bag.ReadLong("Big", 0), 40000);
    EXPECT_TRUE(bag.ReadBool("Flag", false));
    EXPECT_THROW(bag.ReadInt("Big", 0), PropertyBagError);
    EXPECT_THROW(bag.ReadLong("Text", 0), PropertyBagError);
    EXPECT_THROW(bag.ReadString("Big", ""), PropertyBagError);
}
