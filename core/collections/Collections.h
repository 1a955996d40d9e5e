// Growable collections of untyped item pointers from which every list of the driver derives.
// Every operation is virtual; derived lists customise FreeItem (ownership) and Compare (order).
#pragma once

#include <cstdint>
#include <vector>

// Unsorted collection. Items are densely packed in positions 0 .. Count() - 1 and the array
// always keeps at least one null slot behind the last item. The collection never looks inside
// an item: whether it owns its items is decided by FreeItem alone (the root owns nothing).
//
// Ownership and destruction: C++ stops virtual dispatch at the base class while the base
// destructor runs, so the FreeAll that the base destructor performs cannot reach a derived
// FreeItem. Every class that replaces FreeItem therefore calls FreeAll() in its own destructor
// (FreeAll on an empty list does nothing, so every level of a hierarchy may do so safely):
//
//     class TThings : public TBaseArray {
//     public:
//         ~TThings() override { FreeAll(); }
//         void FreeItem(void* item) override { delete static_cast<TThing*>(item); }
//     };
//
// TOwnedArray and TOwnedSortedArray below package that idiom for items released with delete.
class TVXCollection {
public:
    TVXCollection();                      // 100 slots, grows by 100
    explicit TVXCollection(int32_t size); // size slots, grows by size (at least 1)
    virtual ~TVXCollection();

    TVXCollection(const TVXCollection&) = delete;
    TVXCollection& operator=(const TVXCollection&) = delete;

    // Null for a position outside 0 .. Count() - 1.
    virtual void* At(int32_t index) const;
    // Removes the entry without disposing of the item; out-of-range positions change nothing.
    virtual void AtDelete(int32_t index);
    // Removes the entry, then disposes of the item through FreeItem.
    virtual void AtFree(int32_t index);
    // Inserts before index (index = Count() appends); a negative index calls Error(-1, 0), an
    // index beyond Count() calls Error(-2, 0), and the collection is left unchanged.
    virtual void AtInsert(int32_t index, void* item);
    virtual void Delete(void* item);
    // Empties without disposing of the items; the array returns to Delta() slots.
    virtual void DeleteAll();
    // Index-error hook; does nothing here.
    virtual void Error(int32_t code, int32_t info);
    // Passes every item, in ascending order and while the array is still intact, to FreeItem,
    // then empties the collection.
    virtual void FreeAll();
    // Disposes of one item; the root owns nothing and does nothing.
    virtual void FreeItem(void* item);
    // First position holding exactly this pointer; -1 for null or an absent item.
    virtual int32_t IndexOf(void* item);
    // Appends (a sorted collection inserts in key order instead).
    virtual void Insert(void* item);
    // Growth step, and the size the array returns to when the collection empties (at least 1).
    virtual void SetDelta(int32_t delta);

    int32_t Count() const { return FCount; }
    int32_t Capacity() const { return FCapacity; }
    int32_t Delta() const { return FDelta; }
    // The whole slot array, Capacity() entries; slots from Count() on are null.
    const std::vector<void*>& Items() const { return FItems; }

private:
    std::vector<void*> FItems;
    int32_t FCapacity = 0;
    int32_t FDelta = 0;
    int32_t FCount = 0;
};

// Sorted collection: items kept in the order of their keys by Compare, looked up by bisection.
// An item whose key is already present is not inserted (the caller keeps it).
class TVXSortedCollection : public TVXCollection {
public:
    using TVXCollection::TVXCollection;

    // Position of an item with an equal key (not necessarily the same pointer), or -1.
    int32_t IndexOf(void* item) override;
    void Insert(void* item) override;

    // <0, 0 or >0 as key1 orders before, equal to or after key2; always 1 here.
    virtual int32_t Compare(void* key1, void* key2);
    // A second order, used only by SearchWith; here it answers what Compare answers.
    virtual int32_t CompareWith(void* key1, void* key2);
    // The key of an item; here the item pointer itself.
    virtual void* KeyOf(void* item);
    // Bisection by Compare. True when an equal key was met; index is then its position (the
    // first equal item the bisection meets, not necessarily the lowest). Otherwise index is the
    // insertion position: the number of keys ordered before key.
    virtual bool Search(void* key, int32_t& index);
    // The same bisection by CompareWith.
    virtual bool SearchWith(void* key, int32_t& index);

private:
    template <class TCompare> bool Bisect(void* key, int32_t& index, TCompare compare);
};

// The names from which the program's lists derive.
class TBaseArray : public TVXCollection {
public:
    using TVXCollection::TVXCollection;
};

class TSortedArray : public TVXSortedCollection {
public:
    using TVXSortedCollection::TVXSortedCollection;
};

// An unsorted list that owns items of type T and releases them with delete.
template <class T> class TOwnedArray : public TBaseArray {
public:
    using TBaseArray::TBaseArray;
    ~TOwnedArray() override { FreeAll(); }
    void FreeItem(void* item) override { delete static_cast<T*>(item); }
    T* ItemAt(int32_t index) const { return static_cast<T*>(At(index)); }
};

// A sorted list that owns items of type T; the derived class supplies Compare (and KeyOf).
template <class T> class TOwnedSortedArray : public TSortedArray {
public:
    using TSortedArray::TSortedArray;
    ~TOwnedSortedArray() override { FreeAll(); }
    void FreeItem(void* item) override { delete static_cast<T*>(item); }
    T* ItemAt(int32_t index) const { return static_cast<T*>(At(index)); }
};
