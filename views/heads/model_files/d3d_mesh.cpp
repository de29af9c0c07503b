// Attribute sorting and subset drawing of a mesh.
#include "views/heads/model_files/d3d_mesh.h"

#include <algorithm>
#include <numeric>

void d3d_mesh::SortByAttribute() {
    const std::size_t n = attributes.size();
    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return attributes[a] < attributes[b]; });
    std::vector<uint32_t> new_indices(3 * n), new_attributes(n);
    for (std::size_t i = 0; i < n; ++i) {
        new_attributes[i] = attributes[order[i]];
        for (int k = 0; k < 3; ++k) new_indices[3 * i + k] = indices[3 * order[i] + k];
    }
    indices.swap(new_indices);
    attributes.swap(new_attributes);
    subsets.clear();
    for (std::size_t i = 0; i < n; ++i) {
        if (subsets.empty() || subsets.back().attribute != attributes[i])
            subsets.push_back({attributes[i], static_cast<uint32_t>(i), 0});
        ++subsets.back().triangle_count;
    }
}

void d3d_mesh::DrawSubset(d3d_device& device, uint32_t attribute) const {
    for (const d3d_subset& s : subsets)
        if (s.attribute == attribute && s.triangle_count > 0)
            device.DrawIndexedTriangles(buffer, indices, 3 * s.first_triangle, s.triangle_count);
}
