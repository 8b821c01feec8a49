// AssociationList: a small hash map with a fixed number of buckets, each a
// singly linked chain of {next, key, value} nodes. New nodes go to the head of
// their chain and lookups walk from the head, so among equal keys the one
// added last is found. The map owns its nodes but neither keys nor values;
// a lookup that finds nothing returns the default value given at
// construction.
//
// The bucket count is the template's unless the constructor is given a larger
// one (for maps that will hold many more keys than buckets). Equal keys always
// share a bucket, so the count changes only the speed, never which node a
// lookup finds.
#pragma once

#include <cstdint>
#include <cstring>

// Hash and equality of a key type. The C-string key hashes its bytes (as
// unsigned) with h = h * 2 + b in 32-bit arithmetic and compares exactly.
template <class K>
struct AssociationTraits;

template <>
struct AssociationTraits<const char*> {
  static uint32_t Hash(const char* key) {
    uint32_t h = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(key); *p; ++p) h = h * 2 + *p;
    return h;
  }
  static bool Equal(const char* a, const char* b) { return std::strcmp(a, b) == 0; }
};

template <class K, class V, unsigned Buckets, class Traits = AssociationTraits<K>>
class AssociationList {
 public:
  struct Node {
    Node* next;
    K key;
    V value;
  };

  explicit AssociationList(V defaultValue = V(), unsigned bucketCount = Buckets)
      : count_(bucketCount > Buckets ? bucketCount : Buckets),
        buckets_(new Node*[count_]()),
        defaultValue_(defaultValue) {}
  ~AssociationList() {
    Clear();
    delete[] buckets_;
  }
  AssociationList(const AssociationList&) = delete;
  AssociationList& operator=(const AssociationList&) = delete;

  unsigned BucketCount() const { return count_; }
  unsigned BucketIndex(K key) const { return Traits::Hash(key) % count_; }
  // The chain head of key's bucket, by reference (for KillFromList).
  Node*& Chain(K key) { return buckets_[BucketIndex(key)]; }
  Node* ChainAt(unsigned index) const { return buckets_[index]; }

  // Puts a new node at the head of key's chain; an equal key already there is
  // kept but no longer found first.
  void Add(K key, V value) {
    Node*& head = Chain(key);
    head = new Node{head, key, value};
  }
  // The first node of key's chain with an equal key, or null.
  Node* Find(K key) const {
    for (Node* n = buckets_[BucketIndex(key)]; n; n = n->next)
      if (Traits::Equal(n->key, key)) return n;
    return nullptr;
  }
  V Lookup(K key) const {
    const Node* n = Find(key);
    return n ? n->value : defaultValue_;
  }
  // Frees every node of every bucket.
  void Clear() {
    for (unsigned i = 0; i < count_; ++i) {
      Node*& b = buckets_[i];
      while (b) {
        Node* next = b->next;
        delete b;
        b = next;
      }
    }
  }

 private:
  unsigned count_;
  Node** buckets_;
  V defaultValue_;
};

// Unlinks node from the chain starting at head and frees it; does nothing
// when the node is not in the chain.
template <class Node>
void KillFromList(Node*& head, Node* node) {
  for (Node** link = &head; *link; link = &(*link)->next) {
    if (*link == node) {
      *link = node->next;
      delete node;
      return;
    }
  }
}
