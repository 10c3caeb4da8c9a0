#pragma once

#include "CSimModem.h"
#include "DiagClient.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

namespace brivex::test {

// A running simulator in a scratch directory and a client on its diagnostic
// port. A failing test prints the simulator's exchange log.
class SimFixture : public ::testing::Test {
protected:
    using Bytes = DiagClient::Bytes;

    void SetUp() override
    {
        sim::CSimModem::Options options;
        options.base = dir.path() / "B";
        options.hexlog = (dir.path() / "hex.log").string();
        options.controlSocket = true;
        modem = std::make_unique<sim::CSimModem>(options);
        std::string error;
        ASSERT_TRUE(modem->Start(error)) << error;
        client = std::make_unique<DiagClient>(modem->DevicePath(sim::CSimModem::kDiagInterface));
        ASSERT_TRUE(client->IsOpen());
    }

    void TearDown() override
    {
        client.reset();
        if (modem)
            modem->Stop();
        if (HasFailure()) {
            std::ifstream log(dir.path() / "hex.log");
            std::cerr << "---- simulator exchange log ----\n" << log.rdbuf() << "--------\n";
        }
    }

    // Runs control commands, each of which must answer "ok".
    void Control(std::initializer_list<std::string> lines)
    {
        for (const std::string& line : lines) {
            const std::string answer = modem->Command(line);
            ASSERT_EQ(answer.rfind("ok", 0), 0u) << line << " -> " << answer;
        }
    }

    // A vendor request: code, 16-bit sub-command, then the extra bytes,
    // zero-filled to the given length.
    static Bytes Vendor(std::uint8_t code, std::uint16_t sub, Bytes extra = {}, std::size_t length = 3)
    {
        Bytes out{code, static_cast<std::uint8_t>(sub), static_cast<std::uint8_t>(sub >> 8)};
        out.insert(out.end(), extra.begin(), extra.end());
        if (out.size() < length)
            out.resize(length, 0);
        return out;
    }
    static Bytes U32(std::uint32_t v)
    {
        return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
                static_cast<std::uint8_t>(v >> 24)};
    }
    static Bytes Cat(Bytes a, const Bytes& b)
    {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    Bytes Ask(const Bytes& request)
    {
        auto answer = client->Transact(request);
        if (!answer) {
            ADD_FAILURE() << "no answer to request code " << int(request[0]);
            return Bytes(request.size() < 5 ? 5 : request.size(), 0);
        }
        return *answer;
    }
    Bytes Status() { return Ask(Vendor(0xCF, 1)); }

    TempDir dir;
    std::unique_ptr<sim::CSimModem> modem;
    std::unique_ptr<DiagClient> client;
};

}  // namespace brivex::test
