// Growable pointer collections: growth by Delta, block moves, bisection.
#include "core/collections/Collections.h"

#include <algorithm>

namespace {

constexpr int32_t DefaultSize = 100;

} // namespace

TVXCollection::TVXCollection() : TVXCollection(DefaultSize) {}

TVXCollection::TVXCollection(int32_t size) {
    size = std::max<int32_t>(size, 1);
    FItems.assign(static_cast<size_t>(size), nullptr);
    FCapacity = size;
    FDelta = size;
    FCount = 0;
}

// A derived FreeItem cannot be reached from here (see the header): owning lists have already
// emptied themselves in their own destructors, so this releases only what the root owns.
TVXCollection::~TVXCollection() {
    TVXCollection::FreeAll();
}

void* TVXCollection::At(int32_t index) const {
    if (index < 0 || index >= FCount) {
        return nullptr;
    }
    return FItems[static_cast<size_t>(index)];
}

void TVXCollection::AtDelete(int32_t index) {
    if (index < 0 || index >= FCount) {
        return;
    }
    auto first = FItems.begin() + index;
    *first = nullptr;
    std::copy(first + 1, FItems.begin() + FCount, first);
    --FCount;
    if (FCount == 0 && FCapacity > FDelta) {
        FItems.resize(static_cast<size_t>(FDelta));
        FItems.shrink_to_fit();
        FCapacity = FDelta;
    }
    FItems[static_cast<size_t>(FCount)] = nullptr;
}

void TVXCollection::AtFree(int32_t index) {
    if (index < 0 || index >= FCount) {
        return;
    }
    void* item = At(index);
    AtDelete(index);
    FreeItem(item);
}

void TVXCollection::AtInsert(int32_t index, void* item) {
    if (index < 0) {
        Error(-1, 0);
        return;
    }
    if (index > FCount) {
        Error(-2, 0);
        return;
    }
    if (FCount + 1 >= FCapacity) {
        FCapacity += FDelta;
        FItems.resize(static_cast<size_t>(FCapacity), nullptr);
    }
    auto first = FItems.begin() + index;
    std::copy_backward(first, FItems.begin() + FCount, FItems.begin() + FCount + 1);
    *first = item;
    ++FCount;
}

void TVXCollection::Delete(void* item) {
    AtDelete(IndexOf(item));
}

void TVXCollection::DeleteAll() {
    FCount = 0;
    FCapacity = FDelta;
    FItems.assign(static_cast<size_t>(FDelta), nullptr);
    FItems.shrink_to_fit();
}

void TVXCollection::Error(int32_t /*code*/, int32_t /*info*/) {}

void TVXCollection::FreeAll() {
    if (FCount == 0) {
        return;
    }
    // FreeItem may look at the list, so the array stays whole until every item is released.
    for (int32_t i = 0; i < FCount; ++i) {
        FreeItem(FItems[static_cast<size_t>(i)]);
    }
    DeleteAll();
}

void TVXCollection::FreeItem(void* /*item*/) {}

int32_t TVXCollection::IndexOf(void* item) {
    if (FCount == 0 || item == nullptr) {
        return -1;
    }
    for (int32_t i = 0; i < FCount; ++i) {
        if (At(i) == item) {
            return i;
        }
    }
    return -1;
}

void TVXCollection::Insert(void* item) {
    AtInsert(FCount, item);
}

void TVXCollection::SetDelta(int32_t delta) {
    FDelta = std::max<int32_t>(delta, 1);
}

int32_t TVXSortedCollection::IndexOf(void* item) {
    int32_t index = 0;
    if (Search(KeyOf(item), index) && index < Count()) {
        return index;
    }
    return -1;
}

void TVXSortedCollection::Insert(void* item) {
    int32_t index = 0;
    if (!Search(KeyOf(item), index)) {
        AtInsert(index, item);
    }
}

int32_t TVXSortedCollection::Compare(void* /*key1*/, void* /*key2*/) {
    return 1;
}

int32_t TVXSortedCollection::CompareWith(void* key1, void* key2) {
    return Compare(key1, key2);
}

void* TVXSortedCollection::KeyOf(void* item) {
    return item;
}

template <class TCompare>
bool TVXSortedCollection::Bisect(void* key, int32_t& index, TCompare compare) {
    int32_t lo = 0;
    int32_t hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const auto mid =
            static_cast<int32_t>((static_cast<uint32_t>(lo) + static_cast<uint32_t>(hi)) >> 1);
        const int32_t c = compare(KeyOf(At(mid)), key);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                lo = mid;
                found = true;
            }
        }
    }
    index = lo;
    return found;
}

bool TVXSortedCollection::Search(void* key, int32_t& index) {
    return Bisect(key, index, [this](void* a, void* b) { return Compare(a, b); });
}

bool TVXSortedCollection::SearchWith(void* key, int32_t& index) {
    return Bisect(key, index, [this](void* a, void* b) { return CompareWith(a, b); });
}
