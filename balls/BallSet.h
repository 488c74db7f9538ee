#pragma once

#include "balls/Ball.h"

#include <memory>
#include <vector>

/// The live balls, oldest first. Owns the ball records.
class BallSet {
public:
    int size() const { return static_cast<int>(balls_.size()); }
    bool empty() const { return balls_.empty(); }
    Ball& at(int k) const { return *balls_[k]; }
    void append(std::unique_ptr<Ball> ball) { balls_.push_back(std::move(ball)); }
    /// Destroys ball k; the balls after it move down by one.
    void erase(int k) { balls_.erase(balls_.begin() + k); }
    void clear() { balls_.clear(); }

private:
    std::vector<std::unique_ptr<Ball>> balls_;
};
