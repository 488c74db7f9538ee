#pragma once

#include <vector>

class SoPointLight;

/// The companion lights of the live balls: element k belongs to ball k of the BallSet. The
/// lights are owned by worldSeparator; the list only points at them.
class BallLightSet {
public:
    int size() const { return static_cast<int>(lights_.size()); }
    SoPointLight* at(int k) const { return lights_[k]; }
    void append(SoPointLight* light) { lights_.push_back(light); }
    void erase(int k) { lights_.erase(lights_.begin() + k); }
    void clear() { lights_.clear(); }

private:
    std::vector<SoPointLight*> lights_;
};
