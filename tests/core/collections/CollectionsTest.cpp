// Collections: growth and shrink rules, the index-error hook, ownership through FreeItem and
// the bisection of the sorted collection.
#include "core/collections/Collections.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Items for the tests are small integers disguised as pointers (never dereferenced).
void* P(intptr_t n) {
    return reinterpret_cast<void*>(n);
}
intptr_t N(void* p) {
    return reinterpret_cast<intptr_t>(p);
}

// Records what the hooks are told.
class TRecordingArray : public TBaseArray {
public:
    using TBaseArray::TBaseArray;
    ~TRecordingArray() override { FreeAll(); }
    void Error(int32_t code, int32_t info) override { Errors.emplace_back(code, info); }
    void FreeItem(void* item) override {
        // The array is still whole while FreeAll hands out the items.
        Freed.push_back(N(item));
        CountsSeen.push_back(Count());
    }
    std::vector<std::pair<int32_t, int32_t>> Errors;
    std::vector<intptr_t> Freed;
    std::vector<int32_t> CountsSeen;
};

std::vector<intptr_t> Contents(const TVXCollection& c) {
    std::vector<intptr_t> out;
    for (int32_t i = 0; i < c.Count(); ++i) {
        out.push_back(N(c.At(i)));
    }
    return out;
}

void Fill(TVXCollection& c, int n, intptr_t first = 1) {
    for (int i = 0; i < n; ++i) {
        c.Insert(P(first + i));
    }
}

// The slot behind the last item is always there and null.
void ExpectTailNull(const TVXCollection& c) {
    ASSERT_LT(c.Count(), c.Capacity());
    ASSERT_EQ(int32_t(c.Items().size()), c.Capacity());
    for (int32_t i = c.Count(); i < c.Capacity(); ++i) {
        EXPECT_EQ(c.Items()[size_t(i)], nullptr) << "slot " << i;
    }
}

TEST(Collection, AtOutsideTheItemsIsNull) {
    TBaseArray c;
    EXPECT_EQ(c.At(0), nullptr);
    Fill(c, 3);
    for (int32_t index : {-1, 3, 4, INT32_MAX, INT32_MIN}) {
        EXPECT_EQ(c.At(index), nullptr) << index;
    }
    EXPECT_EQ(N(c.At(2)), 3);
}

TEST(Collection, AtInsertPositions) {
    struct TCase {
        int32_t Index;
        std::vector<intptr_t> Expected;
        std::vector<std::pair<int32_t, int32_t>> Errors;
    };
    const TCase cases[] = {
        {0, {9, 1, 2, 3}, {}},
        {1, {1, 9, 2, 3}, {}},
        {3, {1, 2, 3, 9}, {}}, // Count appends
        {4, {1, 2, 3}, {{-2, 0}}},
        {-1, {1, 2, 3}, {{-1, 0}}},
        {INT32_MIN, {1, 2, 3}, {{-1, 0}}},
    };
    for (const auto& tc : cases) {
        TRecordingArray c;
        Fill(c, 3);
        c.AtInsert(tc.Index, P(9));
        EXPECT_EQ(Contents(c), tc.Expected) << "index " << tc.Index;
        EXPECT_EQ(c.Errors, tc.Errors) << "index " << tc.Index;
        ExpectTailNull(c);
    }
}

TEST(Collection, GrowsByDeltaKeepingOneFreeSlotAndShrinksWhenEmptied) {
    TBaseArray c;
    EXPECT_EQ(c.Capacity(), 100);
    EXPECT_EQ(c.Delta(), 100);
    Fill(c, 99);
    EXPECT_EQ(c.Capacity(), 100); // 99 items in 100 slots
    ExpectTailNull(c);
    c.Insert(P(100)); // Count + 1 = 100 >= 100
    EXPECT_EQ(c.Capacity(), 200);
    ExpectTailNull(c);
    Fill(c, 99, 101);
    EXPECT_EQ(c.Count(), 199);
    EXPECT_EQ(c.Capacity(), 200);
    c.Insert(P(200));
    EXPECT_EQ(c.Capacity(), 300);

    // Removing all but one keeps the array; removing the last gives it back to Delta.
    while (c.Count() > 1) {
        c.AtDelete(c.Count() - 1);
    }
    EXPECT_EQ(c.Capacity(), 300);
    c.AtDelete(0);
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.Capacity(), 100);
    ExpectTailNull(c);
}

TEST(Collection, SizedConstructorAndDelta) {
    TBaseArray c(2);
    EXPECT_EQ(c.Capacity(), 2);
    c.Insert(P(1));
    EXPECT_EQ(c.Capacity(), 2);
    c.Insert(P(2)); // Count + 1 = 2 >= 2
    EXPECT_EQ(c.Capacity(), 4);
    c.SetDelta(5);
    c.Insert(P(3));
    EXPECT_EQ(c.Capacity(), 4);
    c.Insert(P(4));
    EXPECT_EQ(c.Capacity(), 9);
    ExpectTailNull(c);
    c.DeleteAll();
    EXPECT_EQ(c.Capacity(), 5);

    TBaseArray tiny(0); // a step of 0 could never grow: it becomes 1
    EXPECT_EQ(tiny.Delta(), 1);
    tiny.SetDelta(0);
    EXPECT_EQ(tiny.Delta(), 1);
    Fill(tiny, 10);
    EXPECT_EQ(Contents(tiny), (std::vector<intptr_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    ExpectTailNull(tiny);
}

TEST(Collection, RemovalKeepsOrderAndIgnoresBadPositions) {
    struct TCase {
        const char* What;
        void (*Act)(TRecordingArray&);
        std::vector<intptr_t> Expected;
        std::vector<intptr_t> Freed;
    };
    const TCase cases[] = {
        {"AtDelete middle", [](TRecordingArray& c) { c.AtDelete(1); }, {1, 3, 4}, {}},
        {"AtDelete last", [](TRecordingArray& c) { c.AtDelete(3); }, {1, 2, 3}, {}},
        {"AtDelete -1", [](TRecordingArray& c) { c.AtDelete(-1); }, {1, 2, 3, 4}, {}},
        {"AtDelete Count", [](TRecordingArray& c) { c.AtDelete(4); }, {1, 2, 3, 4}, {}},
        {"AtFree first", [](TRecordingArray& c) { c.AtFree(0); }, {2, 3, 4}, {1}},
        {"AtFree Count", [](TRecordingArray& c) { c.AtFree(4); }, {1, 2, 3, 4}, {}},
        {"Delete present", [](TRecordingArray& c) { c.Delete(P(3)); }, {1, 2, 4}, {}},
        {"Delete absent", [](TRecordingArray& c) { c.Delete(P(7)); }, {1, 2, 3, 4}, {}},
        {"Delete null", [](TRecordingArray& c) { c.Delete(nullptr); }, {1, 2, 3, 4}, {}},
    };
    for (const auto& tc : cases) {
        TRecordingArray c;
        Fill(c, 4);
        tc.Act(c);
        EXPECT_EQ(Contents(c), tc.Expected) << tc.What;
        EXPECT_EQ(c.Freed, tc.Freed) << tc.What;
        EXPECT_TRUE(c.Errors.empty()) << tc.What;
        ExpectTailNull(c);
        c.Freed.clear();
    }
}

TEST(Collection, AtFreeRemovesBeforeDisposing) {
    TRecordingArray c;
    Fill(c, 3);
    c.AtFree(1);
    EXPECT_EQ(c.CountsSeen, std::vector<int32_t>{2}); // already out of the list
    EXPECT_EQ(c.Freed, std::vector<intptr_t>{2});
}

TEST(Collection, IndexOf) {
    TBaseArray c;
    EXPECT_EQ(c.IndexOf(P(1)), -1);
    c.Insert(P(5));
    c.Insert(nullptr);
    c.Insert(P(6));
    c.Insert(P(5));
    EXPECT_EQ(c.IndexOf(P(5)), 0); // the first of two
    EXPECT_EQ(c.IndexOf(P(6)), 2);
    EXPECT_EQ(c.IndexOf(nullptr), -1); // even though a null was stored
    EXPECT_EQ(c.IndexOf(P(7)), -1);
}

TEST(Collection, FreeAllDisposesInOrderWithTheArrayIntactThenEmpties) {
    TRecordingArray c;
    c.FreeAll(); // empty: nothing to dispose of
    EXPECT_TRUE(c.Freed.empty());
    Fill(c, 150);
    c.FreeAll();
    ASSERT_EQ(c.Freed.size(), 150u);
    for (size_t i = 0; i < c.Freed.size(); ++i) {
        ASSERT_EQ(c.Freed[i], intptr_t(i + 1));
        ASSERT_EQ(c.CountsSeen[i], 150);
    }
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.Capacity(), 100);
}

TEST(Collection, DeleteAllAndRootFreeAllDisposeOfNothing) {
    // A list that owns real objects but does not replace FreeItem must not touch them.
    std::vector<std::string> owned(3, "x");
    TBaseArray c;
    for (auto& s : owned) {
        c.Insert(&s);
    }
    c.FreeAll();
    EXPECT_EQ(c.Count(), 0);
    for (auto& s : owned) {
        c.Insert(&s);
    }
    c.DeleteAll();
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.Capacity(), 100);
    EXPECT_EQ(owned, std::vector<std::string>(3, "x"));
}

// The owning idiom: items released exactly once, also when the list is destroyed full.
struct TCounted {
    explicit TCounted(int& live) : Live(live) { ++Live; }
    ~TCounted() { --Live; }
    int& Live;
};

TEST(Collection, OwningListReleasesItsItemsOnDestruction) {
    int live = 0;
    {
        TOwnedArray<TCounted> list;
        for (int i = 0; i < 250; ++i) {
            list.Insert(new TCounted(live));
        }
        list.AtFree(10);
        EXPECT_EQ(live, 249);
        TCounted* kept = list.ItemAt(0);
        list.AtDelete(0); // removed, not disposed of: the caller now holds it
        delete kept;
        EXPECT_EQ(live, 248);
    }
    EXPECT_EQ(live, 0);
}

// Sorted lists of integers carried in the pointers.
class TIntSorted : public TSortedArray {
public:
    using TSortedArray::TSortedArray;
    int32_t Compare(void* a, void* b) override { return N(a) < N(b) ? -1 : (N(a) > N(b) ? 1 : 0); }
};

// Keys compared by tens only, so several items share a key.
class TTensSorted : public TIntSorted {
public:
    int32_t Compare(void* a, void* b) override {
        return TIntSorted::Compare(P(N(a) / 10), P(N(b) / 10));
    }
    // The reverse order, reached only through SearchWith.
    int32_t CompareWith(void* a, void* b) override { return TIntSorted::Compare(b, a); }
};

TEST(SortedCollection, InsertKeepsOrderAndRefusesEqualKeys) {
    TIntSorted c;
    for (intptr_t n : {50, 10, 30, 20, 40, 30, 10}) {
        c.Insert(P(n));
    }
    EXPECT_EQ(Contents(c), (std::vector<intptr_t>{10, 20, 30, 40, 50}));
    ExpectTailNull(c);
}

TEST(SortedCollection, Search) {
    TIntSorted c;
    for (intptr_t n : {10, 20, 30, 40, 50}) {
        c.Insert(P(n));
    }
    struct TCase {
        intptr_t Key;
        bool Found;
        int32_t Index;
    };
    const TCase cases[] = {
        {5, false, 0},  {10, true, 0}, {15, false, 1}, {30, true, 2},
        {45, false, 4}, {50, true, 4}, {99, false, 5},
    };
    for (const auto& tc : cases) {
        int32_t index = -7;
        EXPECT_EQ(c.Search(P(tc.Key), index), tc.Found) << tc.Key;
        EXPECT_EQ(index, tc.Index) << tc.Key;
    }
    TIntSorted empty;
    int32_t index = -7;
    EXPECT_FALSE(empty.Search(P(1), index));
    EXPECT_EQ(index, 0);
}

TEST(SortedCollection, SearchStopsAtTheFirstEqualItemTheBisectionMeets) {
    // Items 10..16 share key 1: they go in through the unsorted path to build the run.
    TTensSorted c;
    for (intptr_t n : {5, 10, 11, 12, 13, 14, 15, 16}) {
        c.TVXCollection::Insert(P(n));
    }
    int32_t index = -1;
    EXPECT_TRUE(c.Search(P(10), index));
    EXPECT_EQ(index, 3);            // mid of 0..7, not the lowest equal item (1)
    EXPECT_EQ(c.IndexOf(P(16)), 3); // an equal key, not the same pointer
    EXPECT_EQ(c.IndexOf(P(99)), -1);
    // Inserting another item of key 1 changes nothing.
    c.Insert(P(17));
    EXPECT_EQ(c.Count(), 8);
}

TEST(SortedCollection, SearchWithUsesTheSecondOrder) {
    TTensSorted c;
    // Stored in descending order of value, which is ascending for CompareWith.
    for (intptr_t n : {50, 40, 30, 20, 10}) {
        c.TVXCollection::Insert(P(n));
    }
    int32_t index = -1;
    EXPECT_TRUE(c.SearchWith(P(30), index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(c.SearchWith(P(35), index));
    EXPECT_EQ(index, 2);
}

TEST(SortedCollection, UnreplacedCompareInsertsAtFrontAndNeverFinds) {
    TSortedArray c;
    for (intptr_t n : {1, 2, 3}) {
        c.Insert(P(n));
    }
    EXPECT_EQ(Contents(c), (std::vector<intptr_t>{3, 2, 1}));
    EXPECT_EQ(c.IndexOf(P(2)), -1);
    int32_t index = -1;
    EXPECT_FALSE(c.Search(P(2), index));
    EXPECT_EQ(index, 0);
    // CompareWith follows Compare unless replaced.
    EXPECT_FALSE(c.SearchWith(P(2), index));
    EXPECT_EQ(index, 0);
}

TEST(SortedCollection, EqualKeyStaysWithTheCaller) {
    int live = 0;
    class TOwnedInts : public TOwnedSortedArray<TCounted> {
    public:
        int32_t Compare(void*, void*) override { return 0; } // every key is equal
    };
    TCounted* second = nullptr;
    {
        TOwnedInts list;
        list.Insert(new TCounted(live));
        second = new TCounted(live);
        list.Insert(second);
        EXPECT_EQ(list.Count(), 1);
        EXPECT_EQ(live, 2);
    }
    EXPECT_EQ(live, 1); // the refused item was neither stored nor disposed of
    delete second;
}

} // namespace
