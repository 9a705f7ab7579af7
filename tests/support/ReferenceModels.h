#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "support/ReferenceShuffle.h"

namespace brevane::test {

// The shuffle models written out plainly from their definitions, over a vector of cards (index
// 0 is the first card dealt) and the literal generator, to check the fast code against.
// Each function applies one shuffle (a model with K applies all K of its passes).
class ReferenceModels {
  public:
    explicit ReferenceModels(const std::array<std::uint8_t, 32>& key) : rng_(key) {}

    ReferenceShuffler& Rng() { return rng_; }

    void FisherYates(std::vector<int>& deck) {
        for (int m = 52; m >= 2; --m) std::swap(deck[rng_.Below(m)], deck[m - 1]);
    }

    void NaiveSwap(std::vector<int>& deck) {
        for (int i = 0; i <= 51; ++i) {
            const int r = rng_.Below(52);
            std::swap(deck[i], deck[r]);
        }
    }

    void ByteModulo(std::vector<int>& deck) {
        for (int m = 52; m >= 2; --m) {
            const int r = rng_.NextByte() % m;
            std::swap(deck[r], deck[m - 1]);
        }
    }

    void Riffle(std::vector<int>& deck, int k) {
        for (int pass = 0; pass < k; ++pass) {
            int c = 0;
            for (int n = 0; n < 52; ++n) c += rng_.Below(2);
            std::vector<int> left(deck.begin(), deck.begin() + c);
            std::vector<int> right(deck.begin() + c, deck.end());
            std::vector<int> merged;
            std::size_t l = 0, r = 0;
            while (l < left.size() && r < right.size()) {
                const int sizeL = static_cast<int>(left.size() - l);
                const int sizeR = static_cast<int>(right.size() - r);
                const int u = rng_.Below(sizeL + sizeR);
                if (u < sizeL) {
                    merged.push_back(left[l++]);
                } else {
                    merged.push_back(right[r++]);
                }
            }
            while (l < left.size()) merged.push_back(left[l++]);
            while (r < right.size()) merged.push_back(right[r++]);
            deck = merged;
        }
    }

    void Overhand(std::vector<int>& deck, int k) {
        for (int pass = 0; pass < k; ++pass) {
            std::vector<std::vector<int>> packets(1);
            for (int g = 0; g <= 50; ++g) {
                packets.back().push_back(deck[g]);
                if (rng_.Below(2) == 1) packets.emplace_back();
            }
            packets.back().push_back(deck[51]);
            std::vector<int> laid;
            for (auto p = packets.rbegin(); p != packets.rend(); ++p)
                laid.insert(laid.end(), p->begin(), p->end());
            deck = laid;
        }
    }

    void TopToRandom(std::vector<int>& deck, int k) {
        for (int move = 0; move < k; ++move) {
            const int r = rng_.Below(52);
            const int top = deck[0];
            deck.erase(deck.begin());
            deck.insert(deck.begin() + r, top);
        }
    }

    void Shelf(std::vector<int>& deck, int shelves) {
        std::vector<std::deque<int>> shelf(shelves);
        for (int position = 51; position >= 0; --position) {
            const int s = rng_.Below(shelves);
            const int b = rng_.Below(2);
            if (b == 1) {
                shelf[s].push_front(deck[position]);
            } else {
                shelf[s].push_back(deck[position]);
            }
        }
        std::vector<int> order(shelves);
        for (int s = 0; s < shelves; ++s) order[s] = s;
        for (int i = shelves - 1; i >= 1; --i) std::swap(order[i], order[rng_.Below(i + 1)]);
        deck.clear();
        for (int s : order) deck.insert(deck.end(), shelf[s].begin(), shelf[s].end());
    }

    void Strip(std::vector<int>& deck, int packets) {
        // Gap g lies between positions g and g + 1.
        std::vector<int> open;
        for (int g = 0; g <= 50; ++g) open.push_back(g);
        std::vector<bool> cutAt(51, false);
        for (int p = 1; p <= packets - 1; ++p) {
            const int g = rng_.Below(52 - p);
            cutAt[open[g]] = true;
            open.erase(open.begin() + g);
        }
        std::vector<std::vector<int>> pile(1);
        for (int position = 0; position < 52; ++position) {
            pile.back().push_back(deck[position]);
            if (position < 51 && cutAt[position]) pile.emplace_back();
        }
        deck.clear();
        for (auto p = pile.rbegin(); p != pile.rend(); ++p)
            deck.insert(deck.end(), p->begin(), p->end());
    }

    void Cut(std::vector<int>& deck) {
        const int c = rng_.Below(52);
        std::vector<int> cut;
        for (int position = c; position <= 51; ++position) cut.push_back(deck[position]);
        for (int position = 0; position <= c - 1; ++position) cut.push_back(deck[position]);
        deck = cut;
    }

    // One shuffle of the model named as on the command line ("riffle:7"), K given for the models
    // that take one; a procedure ("riffle:1+cut") applies each of its steps in turn.
    void Apply(const std::string& model, std::vector<int>& deck) {
        const std::size_t plus = model.find('+');
        if (plus != std::string::npos) {
            Apply(model.substr(0, plus), deck);
            Apply(model.substr(plus + 1), deck);
            return;
        }
        const std::size_t colon = model.find(':');
        const std::string name = model.substr(0, colon);
        const int k = colon == std::string::npos ? 0 : std::stoi(model.substr(colon + 1));
        if (name == "fisher-yates") FisherYates(deck);
        if (name == "naive-swap") NaiveSwap(deck);
        if (name == "byte-modulo") ByteModulo(deck);
        if (name == "riffle") Riffle(deck, k);
        if (name == "overhand") Overhand(deck, k);
        if (name == "top-to-random") TopToRandom(deck, k);
        if (name == "shelf") Shelf(deck, k);
        if (name == "strip") Strip(deck, k);
        if (name == "cut") Cut(deck);
    }

  private:
    ReferenceShuffler rng_;
};

// 1, 2, ..., 52: the first order of the deck as card codes.
inline std::vector<int> NewDeck() {
    std::vector<int> deck(52);
    for (int k = 0; k < 52; ++k) deck[k] = k + 1;
    return deck;
}

// `count` rows of `model` from a fresh generator keyed with `key`, each continuing from the row
// before, or with `fromNewDeck` each from the first order.
inline std::vector<std::vector<int>> ReferenceModelRows(const std::array<std::uint8_t, 32>& key,
                                                        const std::string& model, int count,
                                                        bool fromNewDeck = false) {
    ReferenceModels models(key);
    std::vector<std::vector<int>> rows;
    std::vector<int> deck = NewDeck();
    for (int n = 0; n < count; ++n) {
        if (fromNewDeck) deck = NewDeck();
        models.Apply(model, deck);
        rows.push_back(deck);
    }
    return rows;
}

}  // namespace brevane::test
