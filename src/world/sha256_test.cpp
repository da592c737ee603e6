#include "world/sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvel {
namespace {

std::string digestOf(const std::string& text, Sha256::Rounds rounds, std::size_t piece) {
  Sha256 sha(rounds);
  for (std::size_t at = 0; at < text.size(); at += piece) {
    sha.update(text.data() + at, std::min(piece, text.size() - at));
  }
  return hexDigest(sha.finish());
}

TEST(Sha256, MatchesTheStandardsExamplesWhateverThePiecesAndRounds) {
  // FIPS 180-4's examples (one block, two blocks, a million a's), and the empty message.
  const struct {
    std::string text;
    const char* digest;
  } kCases[] = {
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrl"
       "mnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      // Another long message, so that two chains side by side are in different states.
      {std::string(200000, 'b'), "31731ec46c3318e622490d1102d6a5f2d0b33995b35ede8cdbbb76252ee6d87b"},
  };
  // Each message hashed alongside itself and alongside the next with updateBoth, in pieces of
  // the same size.
  const std::size_t count = std::size(kCases);
  for (std::size_t pair = 0; pair < 2 * count; ++pair) {
    const auto& first = kCases[pair / 2];
    const auto& second = kCases[(pair / 2 + pair % 2) % count];
    for (const Sha256::Rounds rounds : {Sha256::Rounds::kFastest, Sha256::Rounds::kPortable}) {
      for (const std::size_t piece : {std::size_t{63}, std::size_t{64}, std::size_t{1000},
                                      std::size_t{1} << 20}) {
        SCOPED_TRACE(std::to_string(first.text.size()) + " and " +
                     std::to_string(second.text.size()) + " bytes together, pieces of " +
                     std::to_string(piece));
        Sha256 a(rounds);
        Sha256 b(rounds);
        for (std::size_t at = 0; at < std::max(first.text.size(), second.text.size());
             at += piece) {
          const auto pieceOf = [&](const std::string& text) {
            return at < text.size() ? std::min(piece, text.size() - at) : 0;
          };
          Sha256::updateBoth(a, first.text.data() + std::min(at, first.text.size()),
                             pieceOf(first.text), b,
                             second.text.data() + std::min(at, second.text.size()),
                             pieceOf(second.text));
        }
        EXPECT_EQ(hexDigest(a.finish()), first.digest);
        EXPECT_EQ(hexDigest(b.finish()), second.digest);
      }
    }
  }
  for (const auto& [text, digest] : kCases) {
    for (const Sha256::Rounds rounds : {Sha256::Rounds::kFastest, Sha256::Rounds::kPortable}) {
      for (const std::size_t piece : {std::size_t{1}, std::size_t{63}, std::size_t{64},
                                      std::size_t{1000}, std::size_t{1} << 20}) {
        SCOPED_TRACE(text.substr(0, 10) + ", " + std::to_string(text.size()) +
                     " bytes, pieces of " + std::to_string(piece));
        EXPECT_EQ(digestOf(text, rounds, piece), digest);
      }
    }
  }
}

}  // namespace
}  // namespace quorvel
