// Names that resolve as a test says, whatever this machine's hosts file
// maps: installed as the connection layer's resolver for the object's life.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "transport/node_address.h"

class ScopedResolver {
 public:
  // Each name's addresses as literals ("::1", "127.0.0.1"), in the order the
  // resolver gives them; any other name is not found.
  explicit ScopedResolver(std::map<std::string, std::vector<std::string>> names);
  ~ScopedResolver();
  ScopedResolver(const ScopedResolver&) = delete;
  ScopedResolver& operator=(const ScopedResolver&) = delete;
  // The names asked for so far, oldest first.
  const std::vector<std::string>& asked() const;
};
