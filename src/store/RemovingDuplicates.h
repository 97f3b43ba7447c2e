#pragma once
// A list without its repeated elements: the first occurrence of each element
// stays, in the order of the input. Elements are compared with ==.

#include <algorithm>
#include <vector>

namespace frelt {

template <class T>
std::vector<T> removingDuplicates(const std::vector<T>& elements) {
    std::vector<T> result;
    result.reserve(elements.size());
    for (const auto& element : elements)
        if (std::find(result.begin(), result.end(), element) == result.end()) result.push_back(element);
    return result;
}

}  // namespace frelt
