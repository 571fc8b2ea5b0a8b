// The keyed list the sheets keep their per-sheet state in: nodes pushed to
// the front, so the chain runs from the newest to the oldest element, while
// an element's insertion index counts from the oldest (0). The list owns its
// nodes, never the data they point to.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"

// Asking for this subkey finds a node of any subkey.
constexpr uint64_t kAnySubkey = 0xFFFF;

struct KeyedListNode {
  uint64_t key;
  uint64_t subkey;
  KeyedListNode* next;
  void* data;
};

struct KeyedList {
  int32_t count;
  KeyedListNode* first;
};

// An empty list, or null when memory runs out.
KeyedList* CreateKeyedList();
// Adds a node at the front: 1, or 0 for a missing list or data or no memory.
int KeyedListPush(KeyedList* list, uint64_t key, uint64_t subkey, void* data);
// The first node from the front of that key and subkey (any subkey for
// kAnySubkey), and the node before it (null for the first); null when none.
KeyedListNode* KeyedListFindNode(KeyedList* list, uint64_t key, uint64_t subkey, KeyedListNode** previous);
void* KeyedListFindData(KeyedList* list, uint64_t key, uint64_t subkey);
// Unlinks and frees the node found: 1 when one was removed.
int KeyedListRemove(KeyedList* list, uint64_t key, uint64_t subkey);
// Walk from the front: each gives the node's data and the node after it.
void* KeyedListFirst(KeyedList* list, KeyedListNode** next);
void* KeyedListNext(KeyedListNode* node, KeyedListNode** next);
// The data of the element with that insertion index; null when the index is
// not below the count.
void* KeyedListAt(KeyedList* list, int index);
// Removes the element with that insertion index: 1, or 0 when the index is
// not below the count.
int KeyedListRemoveAt(KeyedList* list, int index);
// Inserts an element that takes the insertion index: the older elements keep
// theirs, the newer move up by one. The index must be below the count. 1 / 0.
int KeyedListInsertAt(KeyedList* list, int index, uint64_t key, uint64_t subkey, void* data);
// Frees every node and the list and clears the pointer; 1.
int FreeKeyedList(KeyedList** list);
