#pragma once
// A process-wide engine with one catalog of the real kind, the component folder pointed at
// `componentDir` (an empty folder: WAVE files only).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "catalog/CatItem.h"
#include "catalog/Catalog.h"
#include "core/QmEngine.h"
#include "tests/support/TempDir.h"

class CatalogFixture : public ::testing::Test {
protected:
    // False: the decoder components of the build are found (the test environment points at
    // them); true: an empty folder stands in, so only WAVE files are importable.
    virtual bool WithoutComponents() const { return true; }
    // The options of every catalog the engine creates (one build worker unless a suite asks
    // for more).
    virtual CatalogOptions Options() const { return {}; }

    void SetUp() override {
        savedComponentDir = getenv("TEMPOWRIGHT_COMPONENT_DIR") ? getenv("TEMPOWRIGHT_COMPONENT_DIR") : "";
        if (WithoutComponents())
            setenv("TEMPOWRIGHT_COMPONENT_DIR", noComponents.Path().c_str(), 1);
        engine = new CQmEngine;
        engine->SetCatalogHooks(CCatalog::EngineHooks(Options()));
        SetGlobalEngine(engine);
        catalog = static_cast<ICatalog*>(new CCatalog(Options()));
        engine->AttachCatalog(catalog);
    }
    void TearDown() override {
        catalog->Release();
        engine->CloseCatalog();
        SetGlobalEngine(nullptr);
        engine->Release();
        setenv("TEMPOWRIGHT_COMPONENT_DIR", savedComponentDir.c_str(), 1);
    }

    // Pops every queued UI message, counting code 21 per id.
    void DrainMessages() {
        std::int32_t code = 0, param = 0;
        while (engine->Queue()->PopUpdate(&code, &param) == S_OK)
            if (code == 21) ++built[static_cast<std::uint32_t>(param)];
    }

    // Drains the UI queue the way the main frame does until no build is queued or running (at
    // most about five minutes: sanitizer builds on a busy machine are slow).
    void WaitForBuilds() {
        for (int i = 0; i < 300000 && catalog->WaitForBuildsIdle(1) != S_OK; ++i) DrainMessages();
        DrainMessages();
    }

    // Imports `folder` into the current catalog and waits for every analysis.
    void ImportAndAnalyse(const std::filesystem::path& folder) {
        ComPtr<IProgressStatus> status;
        CBstr path(Utf8ToUtf16(folder.string()));
        ASSERT_EQ(catalog->ImportDirectory(path.Get(), status.Out()), S_OK);
        WaitDone(status.Get());
        WaitForBuilds();
    }

    // A new catalog with the current options, as after a restart of the program.
    void Restart() {
        catalog->Release();
        engine->CloseCatalog();
        engine->SetCatalogHooks(CCatalog::EngineHooks(Options()));
        ASSERT_EQ(engine->NewCatalog(), S_OK);
        ASSERT_EQ(engine->QueryInterface(IID_ICatalog, reinterpret_cast<void**>(&catalog)), S_OK);
        built.clear();
    }

    float Bpm(std::uint32_t id) {
        CCatItem* item = nullptr;
        if (FAILED(catalog->GetItem(id, &item))) return -1;
        const float bpm = item->GetBpm();
        item->Release();
        return bpm;
    }

    std::map<std::uint32_t, int> built;  // code-21 messages per id
    std::string savedComponentDir;
    CCatalog& Cat() { return *static_cast<CCatalog*>(catalog); }

    // Paths of all entries in catalog order.
    std::vector<WString> Paths() {
        CatItemVector items;
        catalog->GetItems(&items);
        std::vector<WString> out;
        for (const ComPtr<CCatItem>& item : items) {
            out.push_back(item->GetPath());
        }
        return out;
    }

    // Waits for an import run to finish (the progress status reports done).
    static void WaitDone(IProgressStatus* status) {
        for (int i = 0; i < 5000 && status->IsDone() == S_FALSE; ++i) usleep(1000);
        EXPECT_EQ(status->IsDone(), S_OK);
    }

    TempDir noComponents;
    TempDir dir;
    CQmEngine* engine = nullptr;
    ICatalog* catalog = nullptr;
};
