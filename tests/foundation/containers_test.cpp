#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/array_collection.h"
#include "foundation/association_list.h"
#include "foundation/intrusive_list.h"
#include "support/fatal.h"

namespace {
struct Node {
  Node* next = nullptr;
  int id;
  explicit Node(int i) : id(i) {}
};
std::vector<int> Ids(const Node* n) {
  std::vector<int> out;
  for (; n; n = n->next) out.push_back(n->id);
  return out;
}
}  // namespace

TEST(IntrusiveList, AppendUnlinkPositionAndWipe) {
  Node* head = nullptr;
  Node* nodes[4] = {new Node(0), new Node(1), new Node(2), new Node(3)};
  for (Node* n : nodes) AddToEnd(head, n);
  EXPECT_EQ(Ids(head), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(ListLength(head), 4);
  EXPECT_EQ(PositionInList(head, nodes[2]), 2);

  EXPECT_EQ(DeleteFromList(head, nodes[0]), 1);  // head
  EXPECT_EQ(DeleteFromList(head, nodes[3]), 1);  // tail
  EXPECT_EQ(DeleteFromList(head, nodes[3]), 0);  // no longer there: list unchanged
  EXPECT_EQ(Ids(head), (std::vector<int>{1, 2}));
  EXPECT_EQ(PositionInList(head, nodes[3]), -1);
  EXPECT_EQ(nodes[0]->next, nullptr);
  AddToEnd(head, nodes[0]);
  EXPECT_EQ(Ids(head), (std::vector<int>{1, 2, 0}));

  WipeList(head);
  EXPECT_EQ(head, nullptr);
  EXPECT_EQ(ListLength(head), 0);
  delete nodes[3];
}

TEST(AssociationList, NewestFirstWithinAChainDefaultAndKill) {
  AssociationList<const char*, int, 43> map(-1);
  // "a" is 97 and the single byte 140 is 97 + 43: the same bucket.
  const char* sameBucket = "\x8c";
  ASSERT_EQ(map.BucketIndex(sameBucket), map.BucketIndex("a"));
  map.Add("a", 1);
  map.Add(sameBucket, 2);
  map.Add("a", 3);  // the newer equal key is found first
  EXPECT_EQ(map.Lookup("a"), 3);
  EXPECT_EQ(map.Lookup(sameBucket), 2);
  EXPECT_EQ(map.Lookup("A"), -1);  // case-sensitive, default when absent
  std::string copy = "a";          // compared by contents, not by pointer
  EXPECT_EQ(map.Lookup(copy.c_str()), 3);

  auto* newest = map.Find("a");
  KillFromList(map.Chain("a"), newest);
  EXPECT_EQ(map.Lookup("a"), 1);
  auto* stranger = new AssociationList<const char*, int, 43>::Node{nullptr, "z", 0};
  KillFromList(map.Chain("a"), stranger);  // not in the chain: nothing happens
  EXPECT_EQ(map.Lookup("a"), 1);
  EXPECT_EQ(map.Lookup(sameBucket), 2);
  delete stranger;
  map.Clear();
  EXPECT_EQ(map.Lookup(sameBucket), -1);
}

TEST(ArrayCollection, GrowsRemovesAndChecksIndices) {
  ArrayCollection<int> array;
  int values[20];
  for (int i = 0; i < 20; ++i) EXPECT_EQ(array.Add(&values[i]), i);
  EXPECT_EQ(array.Count(), 20);
  EXPECT_EQ(array[19], &values[19]);
  array.RemoveAt(0);
  EXPECT_EQ(array.Count(), 19);
  EXPECT_EQ(array[0], &values[1]);
  EXPECT_EQ(array.IndexOf(&values[0]), -1);
  EXPECT_EQ(array.IndexOf(&values[5]), 4);
  EXPECT_FATAL(array.Get(19), "ArrayCollection index 19 out of range (19)");
  EXPECT_FATAL(array.Get(-1), "ArrayCollection index -1 out of range (19)");
}
