// Helpers for singly linked lists whose nodes carry their own `next` pointer.
// The list is named by its head pointer; an empty list is a null head. None
// of them allocates; WipeList deletes the nodes, which must come from new.
#pragma once

// Appends node at the end of the list (node->next becomes null).
template <class T>
void AddToEnd(T*& head, T* node) {
  node->next = nullptr;
  T** link = &head;
  while (*link) link = &(*link)->next;
  *link = node;
}

// Unlinks node from the list without freeing it. Returns 1 when it was found,
// 0 when it is not in the list (the list is then unchanged).
template <class T>
int DeleteFromList(T*& head, T* node) {
  for (T** link = &head; *link; link = &(*link)->next) {
    if (*link == node) {
      *link = node->next;
      node->next = nullptr;
      return 1;
    }
  }
  return 0;
}

// Number of nodes.
template <class T>
int ListLength(const T* head) {
  int n = 0;
  for (; head; head = head->next) ++n;
  return n;
}

// Zero-based position of node in the list, or -1 when it is not there.
template <class T>
int PositionInList(const T* head, const T* node) {
  for (int i = 0; head; head = head->next, ++i)
    if (head == node) return i;
  return -1;
}

// Deletes every node and leaves the list empty.
template <class T>
void WipeList(T*& head) {
  while (head) {
    T* next = head->next;
    delete head;
    head = next;
  }
}
