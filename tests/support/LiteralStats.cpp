#include "support/LiteralStats.h"

#include <cmath>

namespace brevane::literal {

namespace {

// The position (0-based) of `card` in `row`.
int Find(const Row& row, int card) {
    for (int p = 0; p < 52; ++p) {
        if (row[p] == card) return p;
    }
    return -1;
}

long double Sum(const std::vector<double>& e, std::size_t begin, std::size_t end) {
    long double s = 0;
    for (std::size_t i = begin; i < end; ++i) s += e[i];
    return s;
}

}  // namespace

Tables CountLiterally(const std::vector<Row>& rows) {
    Tables t;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (int p = 0; p < 52; ++p) {
            const int card = rows[r][p];
            t.cards[card - 1][p] += 1;
            t.suits[(card - 1) % 4][p] += 1;
            t.ranks[(card - 1) / 4][p] += 1;
        }
        if (r == 0) continue;
        const Row& earlier = rows[r - 1];
        const Row& later = rows[r];
        for (int x = 0; x < 52; ++x) t.moves[x][Find(later, earlier[x])] += 1;
        // R = 1 + the x in 1..51 (1-based) whose next card lies above it in the later row.
        int risingSequences = 1;
        for (int x = 1; x <= 51; ++x) {
            if (Find(later, earlier[x]) < Find(later, earlier[x - 1])) ++risingSequences;
        }
        t.rising[risingSequences] += 1;
        int same = 0;
        for (int p = 0; p < 52; ++p) same += earlier[p] == later[p];
        t.fixed[same] += 1;
    }
    return t;
}

long double Pearson(const std::vector<long double>& observed,
                    const std::vector<long double>& expected) {
    long double x2 = 0;
    for (std::size_t i = 0; i < observed.size(); ++i) {
        x2 += (observed[i] - expected[i]) * (observed[i] - expected[i]) / expected[i];
    }
    return x2;
}

long double UpperTail(long double x, int df) {
    const long double y = x / 2;
    long double q = 0;
    if (df % 2 == 0) {
        for (int i = 0; i < df / 2; ++i)
            q += std::exp(-y + i * std::log(y) - std::lgamma(i + 1.0L));
    } else {
        q = std::erfc(std::sqrt(y));
        for (int i = 1; i <= (df - 1) / 2; ++i) {
            q += std::exp(-y + (i - 0.5L) * std::log(y) - std::lgamma(i + 0.5L));
        }
    }
    return q;
}

std::vector<std::pair<std::size_t, std::size_t>> MergeCells(const std::vector<double>& e) {
    using Group = std::pair<std::size_t, std::size_t>;
    const std::size_t n = e.size();
    std::size_t peak = 0;
    for (std::size_t i = 1; i < n; ++i) {
        if (e[i] > e[peak]) peak = i;
    }
    std::vector<Group> before, after;
    std::size_t open = 0;  // first cell of the group being gathered from the left
    for (std::size_t i = 0; i < peak; ++i) {
        if (Sum(e, open, i + 1) >= 5) {
            before.push_back({open, i + 1});
            open = i + 1;
        }
    }
    std::size_t close = n;  // one past the last cell of the group gathered from the right
    for (std::size_t i = n; i > peak + 1; --i) {
        if (Sum(e, i - 1, close) >= 5) {
            after.insert(after.begin(), {i - 1, close});
            close = i - 1;
        }
    }
    std::vector<Group> groups = before;
    groups.push_back({open, close});
    groups.insert(groups.end(), after.begin(), after.end());
    std::size_t m = before.size();
    while (groups.size() > 1 && Sum(e, groups[m].first, groups[m].second) < 5) {
        const long double left = m > 0 ? Sum(e, groups[m - 1].first, groups[m - 1].second) : -1;
        const long double right =
            m + 1 < groups.size() ? Sum(e, groups[m + 1].first, groups[m + 1].second) : -1;
        if (left >= right) {
            groups[m - 1].second = groups[m].second;
            groups.erase(groups.begin() + static_cast<long>(m));
            --m;
        } else {
            groups[m].second = groups[m + 1].second;
            groups.erase(groups.begin() + static_cast<long>(m) + 1);
        }
    }
    return groups;
}

std::vector<bool> Holm(const std::vector<double>& p, double alpha) {
    const std::size_t m = p.size();
    std::vector<bool> decided(m, false), rejected(m, false);
    for (std::size_t k = 0; k < m; ++k) {
        std::size_t best = m;
        for (std::size_t i = 0; i < m; ++i) {
            if (!decided[i] && (best == m || p[i] < p[best])) best = i;
        }
        if (p[best] > alpha / static_cast<double>(m - k)) break;
        decided[best] = rejected[best] = true;
    }
    return rejected;
}

}  // namespace brevane::literal
