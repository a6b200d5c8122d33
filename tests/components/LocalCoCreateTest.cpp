// The component loader: which file serves which class, failures that leave nothing behind, and
// the bookkeeping that unloads every component once per load at the end of the run.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "audio/ComponentIds.h"
#include "platform/DynamicLibrary.h"
#include "tests/components/ComponentFixtures.h"

namespace {

// {0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}: served by no component.
constexpr CLSID kUnknownClass = {
    0x0F1E2D3C, 0x4B5A, 0x6978, {0x87, 0x96, 0xA5, 0xB4, 0xC3, 0xD2, 0xE1, 0xF0}};

// True while the shared object at `path` is loaded in this process.
bool IsLoaded(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle) return false;
    dlclose(handle);
    return true;
}

std::string ComponentPath(const char* fileName) {
    return ComponentDirectory() + "/" + fileName;
}

TEST(LocalCoCreate, RecordsOneModulePerFileAndUnloadsEveryLoad) {
    const std::string mp3 = ComponentPath("Vellmp3.so");
    const std::string wma = ComponentPath("Vellwma.so");
    CLocalCoCreate loader;
    {
        ComPtr<IPcmReader> a, b, c;
        ASSERT_EQ(loader.Create(CLSID_Mp3Decoder, nullptr, 0, IID_IPcmReader, a.OutVoid()), S_OK);
        ASSERT_EQ(loader.Create(CLSID_Mp3Decoder, nullptr, 0, IID_IPcmReader, b.OutVoid()), S_OK);
        ASSERT_EQ(loader.Create(CLSID_WmaDecoder, nullptr, 0, IID_IPcmReader, c.OutVoid()), S_OK);
        EXPECT_EQ(loader.ModuleCount(), 2u);
        EXPECT_TRUE(IsLoaded(mp3));
        EXPECT_TRUE(IsLoaded(wma));
        // The Windows Media object carries the tag editor, the MP3 object does not.
        ComPtr<ITrackTagEditor> editor;
        EXPECT_EQ(c->QueryInterface(IID_ITrackTagEditor, editor.OutVoid()), S_OK);
        EXPECT_EQ(a->QueryInterface(IID_ITrackTagEditor, editor.OutVoid()), E_NOINTERFACE);
        EXPECT_FALSE(editor);
    }
    loader.UnloadAll();
    EXPECT_EQ(loader.ModuleCount(), 0u);
    EXPECT_FALSE(IsLoaded(mp3));
    EXPECT_FALSE(IsLoaded(wma));
}

TEST(LocalCoCreate, MissingComponentFileFailsCleanly) {
    TempDir empty;
    ScopedComponentDir dir(empty.Path().string());
    CLocalCoCreate loader;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(loader.Create(CLSID_Mp3Decoder, nullptr, 0, IID_IPcmReader, &out), E_FAIL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(loader.Create(CLSID_WmaDecoder, nullptr, 0, IID_IPcmReader, &out), E_FAIL);
    EXPECT_EQ(loader.ModuleCount(), 0u);
}

TEST(LocalCoCreate, ComponentWithoutClassObjectFailsAndIsStillUnloaded) {
    ScopedComponentDir dir(TW_NO_EXPORT_COMPONENT_DIR);
    unsetenv("TW_TEST_UNLOAD_QUERIED");
    CLocalCoCreate loader;
    void* out = nullptr;
    EXPECT_EQ(loader.Create(CLSID_Mp3Decoder, nullptr, 0, IID_IPcmReader, &out), E_FAIL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(loader.ModuleCount(), 1u);
    loader.UnloadAll();
    EXPECT_STREQ(std::getenv("TW_TEST_UNLOAD_QUERIED"), "1");
    EXPECT_FALSE(IsLoaded(std::string(TW_NO_EXPORT_COMPONENT_DIR) + "/Vellmp3.so"));
}

TEST(LocalCoCreate, UnknownClassLoadsNothing) {
    CLocalCoCreate loader;
    void* out = nullptr;
    EXPECT_EQ(loader.Create(kUnknownClass, nullptr, 0, IID_IPcmReader, &out), E_FAIL);
    EXPECT_EQ(loader.ModuleCount(), 0u);
    EXPECT_EQ(loader.Create(CLSID_Mp3Decoder, nullptr, 0, IID_IPcmReader, nullptr), E_INVALIDARG);
}

TEST(LocalCoCreate, ComponentAnswersForItsOwnClassAndCountsLiveObjects) {
    void* module = LoadModule(ComponentPath("Vellmp3.so"));
    ASSERT_NE(module, nullptr);
    auto getClassObject =
        reinterpret_cast<PFN_DllGetClassObject>(ModuleSymbol(module, "DllGetClassObject"));
    auto canUnloadNow =
        reinterpret_cast<PFN_DllCanUnloadNow>(ModuleSymbol(module, "DllCanUnloadNow"));
    ASSERT_TRUE(getClassObject && canUnloadNow);

    void* out = nullptr;
    EXPECT_EQ(getClassObject(CLSID_WmaDecoder, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(CLSID_Mp3Decoder, IID_IClassFactory, factory.OutVoid()), S_OK);
    ComPtr<IUnknown> outer;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, outer.OutVoid()), S_OK);
    EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IPcmReader, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    outer.Reset();
    EXPECT_EQ(canUnloadNow(), S_OK);
    factory->LockServer(1);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    factory->LockServer(0);
    EXPECT_EQ(canUnloadNow(), S_OK);
    factory.Reset();
    FreeModule(module);
}

TEST(LocalCoCreate, ConcurrentCreationsAreAllRecorded) {
    constexpr int kThreads = 2;
    constexpr int kCreationsPerThread = 25;
    const std::string mp3 = ComponentPath("Vellmp3.so");
    CLocalCoCreate loader;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&loader] {
            for (int i = 0; i < kCreationsPerThread; ++i) {
                ComPtr<IPcmReader> reader;
                EXPECT_EQ(
                    loader.Create(CLSID_Mp3Decoder, nullptr, 0, IID_IPcmReader, reader.OutVoid()),
                    S_OK);
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(loader.ModuleCount(), 1u);
    // Fifty loads, fifty unloads: nothing keeps the file loaded afterwards.
    loader.UnloadAll();
    EXPECT_FALSE(IsLoaded(mp3));
}

TEST(LocalCoCreate, OneInstanceForTheRun) {
    EXPECT_EQ(&LocalCoCreate(), &LocalCoCreate());
}

}  // namespace
