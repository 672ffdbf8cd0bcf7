#pragma once

#include "app/shelf/ShelfEngine.h"
#include "core/engine/EngineHost.h"

namespace brimly {

// The shelf model's engine calls carried out by an engine in this process, owned by an `EngineHost` that
// outlives this adapter.
class HostedShelfEngine final : public ShelfEngine {
public:
    explicit HostedShelfEngine(EngineHost& host) : m_host(host) {}

    void hide(std::vector<std::string> ids) override { m_host.engine().hide(std::move(ids)); }
    void unhide(std::vector<std::string> ids) override { m_host.engine().unhide(std::move(ids)); }
    void remove(std::vector<std::string> ids) override { m_host.engine().remove(std::move(ids)); }
    void deleteAll(std::set<std::string> sparing) override { m_host.engine().deleteAll(std::move(sparing)); }
    void markSeen(std::vector<std::string> ids) override { m_host.engine().markSeen(std::move(ids)); }
    [[nodiscard]] bool stop() override { return m_host.stop(); }
    void stopAsync(Done done) override { m_host.stopAsync(std::move(done)); }

private:
    EngineHost& m_host;
};

}  // namespace brimly
