#pragma once
// A list without its repeated elements: the first occurrence of each element
// stays, in the order of the input. Elements are compared with ==; texts
// (tag names, paths) as the program compares text everywhere, canonically
// equivalent forms counting as one.

#include <algorithm>
#include <string>
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

std::vector<std::string> removingDuplicates(const std::vector<std::string>& elements);

}  // namespace frelt
