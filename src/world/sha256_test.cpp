#include "world/sha256.h"

#include <openssl/evp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace quorvel {
namespace {

// Feeds a and b to a pair in pieces of piece bytes, side by side for as long as both last.
std::array<Sha256Digest, 2> pairDigests(const std::string& a, const std::string& b,
                                        std::size_t piece) {
  Sha256Pair pair;
  for (std::size_t at = 0; at < std::max(a.size(), b.size()); at += piece) {
    const auto pieceOf = [&](const std::string& text) {
      return at < text.size() ? std::min(piece, text.size() - at) : 0;
    };
    pair.update(a.data() + std::min(at, a.size()), pieceOf(a), b.data() + std::min(at, b.size()),
                pieceOf(b));
  }
  return pair.finish();
}

TEST(Sha256, MatchesTheStandardsExamplesWhateverThePieces) {
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
  const std::size_t count = std::size(kCases);
  for (std::size_t i = 0; i < count; ++i) {
    const auto& first = kCases[i];
    const auto& second = kCases[(i + 1) % count];
    for (const std::size_t piece : {std::size_t{1}, std::size_t{63}, std::size_t{64},
                                    std::size_t{1000}, std::size_t{1} << 20}) {
      SCOPED_TRACE(std::to_string(first.text.size()) + " and " +
                   std::to_string(second.text.size()) + " bytes, pieces of " +
                   std::to_string(piece));
      Sha256 alone;
      for (std::size_t at = 0; at < first.text.size(); at += piece) {
        alone.update(first.text.data() + at, std::min(piece, first.text.size() - at));
      }
      EXPECT_EQ(hexDigest(alone.finish()), first.digest);
      if (piece == 1) continue;  // a million single bytes side by side add nothing
      const std::array<Sha256Digest, 2> both = pairDigests(first.text, second.text, piece);
      EXPECT_EQ(hexDigest(both[0]), first.digest);
      EXPECT_EQ(hexDigest(both[1]), second.digest);
    }
  }
}

// The pair's own rounds against libcrypto's digest of each message whole: random messages of
// random lengths, fed in random pieces, so that block boundaries fall everywhere in both.
TEST(Sha256Pair, GivesLibcryptosDigestsOfRandomMessages) {
  std::mt19937 random(2024);
  const auto libcrypto = [](const std::string& text) {
    Sha256Digest digest{};
    unsigned int size = 0;
    EVP_Digest(text.data(), text.size(), digest.data(), &size, EVP_sha256(), nullptr);
    return hexDigest(digest);
  };
  for (int round = 0; round < 200; ++round) {
    std::string texts[2];
    for (std::string& text : texts) {
      text.resize(random() % (round < 100 ? 300 : 300000));
      for (char& c : text) c = static_cast<char>(random());
    }
    const std::size_t piece = 1 + random() % (round % 2 == 0 ? 130 : 70000);
    SCOPED_TRACE(std::to_string(texts[0].size()) + " and " + std::to_string(texts[1].size()) +
                 " bytes, pieces of " + std::to_string(piece));
    const std::array<Sha256Digest, 2> both = pairDigests(texts[0], texts[1], piece);
    EXPECT_EQ(hexDigest(both[0]), libcrypto(texts[0]));
    EXPECT_EQ(hexDigest(both[1]), libcrypto(texts[1]));
  }
}

}  // namespace
}  // namespace quorvel
