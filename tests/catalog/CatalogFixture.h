#pragma once
// A process-wide engine with one catalog of the real kind, the component folder pointed at
// `componentDir` (an empty folder: WAVE files only).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <vector>

#include "catalog/CatItem.h"
#include "catalog/Catalog.h"
#include "core/QmEngine.h"
#include "tests/support/TempDir.h"

class CatalogFixture : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TEMPOWRIGHT_COMPONENT_DIR", noComponents.Path().c_str(), 1);
        engine = new CQmEngine;
        engine->SetCatalogHooks(CCatalog::EngineHooks());
        ASSERT_EQ(engine->NewCatalog(), S_OK);
        SetGlobalEngine(engine);
        ASSERT_EQ(engine->QueryInterface(IID_ICatalog, reinterpret_cast<void**>(&catalog)), S_OK);
    }
    void TearDown() override {
        catalog->Release();
        engine->CloseCatalog();
        SetGlobalEngine(nullptr);
        engine->Release();
    }
    CCatalog& Cat() { return *static_cast<CCatalog*>(catalog); }

    // Paths of all entries in catalog order.
    std::vector<WString> Paths() {
        CatItemVector items;
        catalog->GetItems(&items);
        std::vector<WString> out;
        for (CCatItem* item : items) {
            out.push_back(item->GetPath());
            item->Release();
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
