// The kinds publish gives files, from a rules file: one rule a line, a kind
// letter (R O D C U) and a shell-style pattern, separated by spaces. Blank
// lines and lines starting with "#" are comments. The first rule whose
// pattern matches a file's name ("/" separators, relative to the game
// directory) gives its kind; a file no rule matches is R.
//
// Patterns: "*" matches any run of characters, "/" included ("*.dat" is
// every .dat file at any depth, "decks/*" everything under decks), "?" one
// character, "[abc]", "[a-z]" and "[!abc]" one character of (or not of) a
// set; "\" takes the next character literally.
#pragma once

#include <string>
#include <vector>

class KindRules {
 public:
  // False with the reason ("FILE line N: ...") when the file cannot be read
  // or a line is not a rule.
  bool Load(const std::string& path, std::string* error);
  // Adds one rule; false when the letter is no kind or the pattern is empty
  // or has an unclosed set.
  bool Add(char kind, const std::string& pattern);
  char KindOf(const std::string& name) const;

 private:
  struct Rule {
    char kind;
    std::string pattern;
  };
  std::vector<Rule> rules_;
};

// Shell-style match of the whole of name against pattern, as above.
bool GlobMatch(const char* pattern, const char* name);
