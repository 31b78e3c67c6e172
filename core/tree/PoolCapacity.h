#pragma once

#include <cstddef>

namespace edamaki {

// Sizes a pool (a vector or a string) for a read that needs about `wanted`
// elements: reserves them ahead, so that the pool is not copied as it grows,
// and gives back the room of a pool more than four times that size (after a
// far larger source). Reserved room that is never written costs no memory.
template<typename Pool> void FitPoolCapacity(Pool& pool, std::size_t wanted)
{
    constexpr std::size_t SmallPoolBytes = std::size_t(1) << 20;
    if (pool.capacity() < wanted) {
        pool.reserve(wanted);
        return;
    }
    bool const oversized = pool.capacity() / 4 > wanted;
    if (!oversized || pool.capacity() * sizeof(typename Pool::value_type) < SmallPoolBytes)
        return;
    Pool smaller;
    smaller.reserve(wanted > pool.size() ? wanted : pool.size());
    smaller.assign(pool.begin(), pool.end());
    pool.swap(smaller);
}

} // namespace edamaki
