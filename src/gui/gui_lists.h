// Intrusive list helpers over objects that carry their own Next (and, for
// doubly linked lists, Prev) pointers: GUI objects, text lines, menu items.
// `list` is the head pointer, updated in place. None of them allocates; only
// WipeList destroys (with delete), and it reads each Next before deleting so
// that a destructor may unlink its node.
#pragma once

// The helpers are constrained to node types with a `Next` member, so they
// live beside the foundation's helpers for `next`-linked lists without
// clashing: overload resolution picks by the member the node has.
template <class T>
concept GUILinkedNode = requires(T* t) {
  t->Next;
};

template <GUILinkedNode T>
T* LastNode(T* list) {
  if (!list) return nullptr;
  while (list->Next) list = list->Next;
  return list;
}

template <GUILinkedNode T>
void AddToDEnd(T*& list, T* obj) {
  obj->Next = nullptr;
  T* last = LastNode(list);
  obj->Prev = last;
  if (last) last->Next = obj;
  else list = obj;
}

template <GUILinkedNode T>
void AddToDHead(T*& list, T* obj) {
  obj->Prev = nullptr;
  obj->Next = list;
  if (list) list->Prev = obj;
  list = obj;
}

// Unlinks obj if it is in the list; clears its links either way.
template <GUILinkedNode T>
void DeleteFromDList(T*& list, T* obj) {
  bool found = false;
  for (T* p = list; p; p = p->Next)
    if (p == obj) {
      found = true;
      break;
    }
  if (found) {
    if (obj->Prev) obj->Prev->Next = obj->Next;
    else list = obj->Next;
    if (obj->Next) obj->Next->Prev = obj->Prev;
  }
  obj->Next = nullptr;
  obj->Prev = nullptr;
}

// Appends using Next only.
template <GUILinkedNode T>
void AddToEnd(T*& list, T* obj) {
  obj->Next = nullptr;
  T* last = LastNode(list);
  if (last) last->Next = obj;
  else list = obj;
}

// Unlinks obj from a singly linked list.
template <GUILinkedNode T>
void DeleteFromList(T*& list, T* obj) {
  for (T** p = &list; *p; p = &(*p)->Next)
    if (*p == obj) {
      *p = obj->Next;
      obj->Next = nullptr;
      return;
    }
}

// Index of obj in the list, or -1.
template <GUILinkedNode T>
int PositionInList(T* list, const T* obj) {
  int i = 0;
  for (T* p = list; p; p = p->Next, ++i)
    if (p == obj) return i;
  return -1;
}

template <GUILinkedNode T>
int ListLength(T* list) {
  int n = 0;
  for (T* p = list; p; p = p->Next) ++n;
  return n;
}

// The n-th node, or null.
template <GUILinkedNode T>
T* NthNode(T* list, int n) {
  for (T* p = list; p; p = p->Next, --n)
    if (n == 0) return p;
  return nullptr;
}

// Destroys every node and leaves the list empty. The head is detached first,
// so destructors that unlink themselves from `list` find nothing to do.
template <GUILinkedNode T>
void WipeList(T*& list) {
  T* p = list;
  list = nullptr;
  while (p) {
    T* next = p->Next;
    p->Next = nullptr;
    if (next) next->Prev = nullptr;
    delete p;
    p = next;
  }
}
