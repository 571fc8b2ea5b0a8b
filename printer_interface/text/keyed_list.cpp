// The keyed list (see keyed_list.h). Nodes and the list head are global
// blocks, so that the allocation seams reach them.
#include "printer_interface/text/keyed_list.h"

#include "platform/win/win_memory.h"

namespace {

KeyedListNode* NewNode(uint64_t key, uint64_t subkey, void* data) {
  auto* node = static_cast<KeyedListNode*>(GlobalAlloc(GPTR, sizeof(KeyedListNode)));
  if (node == nullptr) return nullptr;
  node->key = key;
  node->subkey = subkey;
  node->data = data;
  return node;
}

// The node of that insertion index, and the one before it in the chain.
KeyedListNode* NodeAt(KeyedList* list, int index, KeyedListNode** previous) {
  *previous = nullptr;
  if (list == nullptr || index < 0 || index >= list->count) return nullptr;
  KeyedListNode* node = list->first;
  for (int position = list->count - 1 - index; node && position > 0; --position) {
    *previous = node;
    node = node->next;
  }
  return node;
}

}  // namespace

KeyedList* CreateKeyedList() { return static_cast<KeyedList*>(GlobalAlloc(GPTR, sizeof(KeyedList))); }

int KeyedListPush(KeyedList* list, uint64_t key, uint64_t subkey, void* data) {
  if (list == nullptr || data == nullptr) return 0;
  KeyedListNode* node = NewNode(key, subkey, data);
  if (node == nullptr) return 0;
  node->next = list->first;
  list->first = node;
  ++list->count;
  return 1;
}

KeyedListNode* KeyedListFindNode(KeyedList* list, uint64_t key, uint64_t subkey, KeyedListNode** previous) {
  KeyedListNode* before = nullptr;
  for (KeyedListNode* node = list ? list->first : nullptr; node; node = node->next) {
    if (node->key == key && (subkey == kAnySubkey || node->subkey == subkey)) {
      if (previous) *previous = before;
      return node;
    }
    before = node;
  }
  if (previous) *previous = nullptr;
  return nullptr;
}

void* KeyedListFindData(KeyedList* list, uint64_t key, uint64_t subkey) {
  KeyedListNode* node = KeyedListFindNode(list, key, subkey, nullptr);
  return node ? node->data : nullptr;
}

namespace {

void Unlink(KeyedList* list, KeyedListNode* node, KeyedListNode* previous) {
  if (previous) previous->next = node->next;
  else list->first = node->next;
  --list->count;
  GlobalFree(node);
}

}  // namespace

int KeyedListRemove(KeyedList* list, uint64_t key, uint64_t subkey) {
  KeyedListNode* previous = nullptr;
  KeyedListNode* node = KeyedListFindNode(list, key, subkey, &previous);
  if (node == nullptr) return 0;
  Unlink(list, node, previous);
  return 1;
}

void* KeyedListFirst(KeyedList* list, KeyedListNode** next) {
  KeyedListNode* node = list ? list->first : nullptr;
  if (next) *next = node ? node->next : nullptr;
  return node ? node->data : nullptr;
}

void* KeyedListNext(KeyedListNode* node, KeyedListNode** next) {
  if (next) *next = node ? node->next : nullptr;
  return node ? node->data : nullptr;
}

void* KeyedListAt(KeyedList* list, int index) {
  KeyedListNode* previous = nullptr;
  KeyedListNode* node = NodeAt(list, index, &previous);
  return node ? node->data : nullptr;
}

int KeyedListRemoveAt(KeyedList* list, int index) {
  KeyedListNode* previous = nullptr;
  KeyedListNode* node = NodeAt(list, index, &previous);
  if (node == nullptr) return 0;
  Unlink(list, node, previous);
  return 1;
}

int KeyedListInsertAt(KeyedList* list, int index, uint64_t key, uint64_t subkey, void* data) {
  KeyedListNode* previous = nullptr;
  KeyedListNode* holder = NodeAt(list, index, &previous);
  if (holder == nullptr || data == nullptr) return 0;
  KeyedListNode* node = NewNode(key, subkey, data);
  if (node == nullptr) return 0;
  // The chain runs newest first: the new node goes just behind the element
  // that held the index, which becomes one newer than it.
  node->next = holder->next;
  holder->next = node;
  ++list->count;
  return 1;
}

int FreeKeyedList(KeyedList** list) {
  if (list == nullptr || *list == nullptr) return 1;
  for (KeyedListNode* node = (*list)->first; node;) {
    KeyedListNode* next = node->next;
    GlobalFree(node);
    node = next;
  }
  GlobalFree(*list);
  *list = nullptr;
  return 1;
}
