#include <gtest/gtest.h>

#include <vector>

#include "DspBuffer.h"

namespace velorix {
namespace {

Cpx* Write(CDspBuffer& b, int n, double first) {
    Cpx* p = reinterpret_cast<Cpx*>(b.AdvanceWrite(n));
    for (int i = 0; i < n; ++i)
        p[i] = Cpx(first + i, -(first + i));
    return p;
}

TEST(DspBuffer, ElementSizesFollowTheTypeTable) {
    const int expected[] = {8, 16, 4, 8, 2, 4, 1};
    for (int t = 0; t < 7; ++t) {
        CDspBuffer b(t, 10, 2);
        EXPECT_EQ(b.ElementSize(), expected[t]) << "type " << t;
    }
    EXPECT_EQ(DspElementSize(7), 0);
    EXPECT_EQ(DspElementSize(-1), 0);
}

TEST(DspBuffer, UnsizedUntilResized) {
    CDspBuffer b(kDspTypeComplex, 0, 5);
    EXPECT_EQ(b.Capacity(), -1);
    EXPECT_EQ(b.History(), -1);
    EXPECT_EQ(b.Base(), nullptr);
    b.Resize(8, 3);
    EXPECT_EQ(b.Capacity(), 8);
    EXPECT_EQ(b.History(), 3);
    EXPECT_EQ(b.Main() - b.Base(), 3 * 16);
    EXPECT_EQ(b.WritePos(), b.Main());
    EXPECT_EQ(b.ReadPos(), b.Base());
}

TEST(DspBuffer, FreeSpaceAndAdvanceKeepTheInvariants) {
    CDspBuffer b(kDspTypeComplex, 10, 4);
    EXPECT_EQ(b.FreeSpace(3), 3);
    EXPECT_EQ(b.FreeSpace(25), 10);
    std::byte* start = b.AdvanceWrite(7);
    EXPECT_EQ(start, b.Main());
    EXPECT_EQ(b.Fill(), 7);
    EXPECT_EQ(b.WritePos(), b.Main() + 7 * 16);
    EXPECT_EQ(b.FreeSpace(25), 3);
    EXPECT_FALSE(b.IsFull());
    b.AdvanceWrite(3);
    EXPECT_TRUE(b.IsFull());
    EXPECT_EQ(b.FreeSpace(1), 0);
    EXPECT_EQ(b.Rewind(), 10);
    EXPECT_EQ(b.AdvanceRead(6), b.Base());
    EXPECT_EQ(b.ReadPos(), b.Base() + 6 * 16);
}

TEST(DspBuffer, CommitKeepsTheLastHistoryElementsOfTheBlock) {
    const int cap = 16, hist = 5;
    CDspBuffer b(kDspTypeComplex, cap, hist);
    Write(b, cap, 100.0);
    b.Rewind();
    b.AdvanceRead(cap);  // the block consumed exactly its capacity
    b.Commit();
    const Cpx* base = b.BaseAs<Cpx>();
    for (int i = 0; i < hist; ++i)
        EXPECT_EQ(base[i], Cpx(100.0 + cap - hist + i, -(100.0 + cap - hist + i)));
    EXPECT_EQ(b.Fill(), 0);
    EXPECT_EQ(b.ReadPos(), b.Base());
    EXPECT_EQ(b.WritePos(), b.Main());

    // A second block sees the first block's tail in front of its own data.
    Write(b, cap, 200.0);
    b.Rewind();
    const Cpx* window = reinterpret_cast<const Cpx*>(b.AdvanceRead(cap));
    EXPECT_EQ(window[hist - 1], Cpx(115.0, -115.0));
    EXPECT_EQ(window[hist], Cpx(200.0, -200.0));
}

TEST(DspBuffer, CommitWithHistoryLongerThanTheBlockOverlapsSafely) {
    // history 6 > capacity 4: the moved regions overlap.
    CDspBuffer b(kDspTypeComplex, 4, 6);
    double next = 1.0;
    for (int block = 0; block < 3; ++block) {
        Write(b, 4, next);
        next += 4;
        b.Rewind();
        b.AdvanceRead(4);
        b.Commit();
    }
    const Cpx* base = b.BaseAs<Cpx>();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(base[i].real(), 7.0 + i);
}

TEST(DspBuffer, ClearZeroesTheHistory) {
    CDspBuffer b(kDspTypeComplex, 8, 3);
    Write(b, 8, 1.0);
    b.Rewind();
    b.AdvanceRead(8);
    b.Commit();
    ASSERT_NE(b.BaseAs<Cpx>()[0], Cpx(0, 0));
    Write(b, 2, 50.0);
    b.Clear();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(b.BaseAs<Cpx>()[i], Cpx(0, 0));
    EXPECT_EQ(b.Fill(), 0);
    EXPECT_EQ(b.WritePos(), b.Main());
}

TEST(DspBuffer, ResizeToTheSameSizeOnlyResets) {
    CDspBuffer b(kDspTypeComplex, 8, 2);
    std::byte* base = b.Base();
    Write(b, 5, 1.0);
    b.Resize(8, 2);
    EXPECT_EQ(b.Base(), base);
    EXPECT_EQ(b.Fill(), 0);
    b.Resize(16, 2);
    EXPECT_EQ(b.Capacity(), 16);
    EXPECT_EQ(b.FreeSpace(100), 16);
}

TEST(DspBuffer, StorageIsCacheLineAligned) {
    CDspBuffer b(kDspTypeComplex, 1000, 7);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b.Base()) % 64, 0u);
}

}  // namespace
}  // namespace velorix
