// CollectionTest.cc: arrays and dictionaries: ownership through their callbacks, order, equality.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "pde/CFHost.h"
#include "pde/Diagnostics.h"

namespace {

using pde::CFPtr;
using Counts = std::vector<CFIndex>;

CFPtr<CFStringRef> Text(const char* text) {
  return pde::MakeString(text);
}

// The retain counts of objects, in order.
Counts RetainCounts(std::initializer_list<CFTypeRef> objects) {
  Counts counts;
  for (CFTypeRef object : objects) counts.push_back(CFGetRetainCount(object));
  return counts;
}

CFPtr<CFMutableDictionaryRef> TypeDictionary() {
  return CFPtr<CFMutableDictionaryRef>(CFDictionaryCreateMutable(
      nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
}

TEST(Array, TypeCallbacksRetainOnAppendAndReleaseOnRemovalAndDestruction) {
  CFPtr<CFStringRef> first = Text("first");
  CFPtr<CFStringRef> second = Text("second");
  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  for (CFStringRef value : {first.get(), second.get(), first.get()}) {
    CFArrayAppendValue(array, value);
  }
  EXPECT_EQ(RetainCounts({first.get(), second.get()}), (Counts{3, 2}));
  EXPECT_EQ(CFArrayGetValueAtIndex(array, 3), nullptr);
  EXPECT_EQ(CFArrayGetValueAtIndex(array, -1), nullptr);
  CFArrayRemoveValueAtIndex(array, 0);
  CFArrayRemoveValueAtIndex(array, 5);  // out of range: nothing happens
  EXPECT_EQ(RetainCounts({first.get(), second.get()}), (Counts{2, 2}));
  EXPECT_EQ(CFArrayGetValueAtIndex(array, 0), second.get());
  CFRelease(array);
  EXPECT_EQ(RetainCounts({first.get(), second.get()}), (Counts{1, 1}));

  // Immutable and full arrays refuse more values; equality goes element by element, by value.
  const void* values[] = {first.get()};
  CFPtr<CFArrayRef> fixed(CFArrayCreate(nullptr, values, 1, &kCFTypeArrayCallBacks));
  CFArrayAppendValue(const_cast<CFMutableArrayRef>(fixed.get()), first.get());
  CFPtr<CFMutableArrayRef> full(CFArrayCreateMutable(nullptr, 1, &kCFTypeArrayCallBacks));
  CFArrayAppendValue(full.get(), Text("first").get());
  CFArrayAppendValue(full.get(), second.get());
  EXPECT_TRUE(CFEqual(full.get(), fixed.get()));
  CFArrayRemoveAllValues(full.get());
  EXPECT_FALSE(CFEqual(full.get(), fixed.get()));
  EXPECT_EQ(RetainCounts({first.get(), second.get()}), (Counts{2, 1}));
}

TEST(Dictionary, SetValueRetainsTheNewValueAndReleasesTheOneItReplaces) {
  CFPtr<CFMutableDictionaryRef> dictionary = TypeDictionary();
  CFPtr<CFStringRef> key = Text("PrintMode");
  CFPtr<CFStringRef> normal = Text("Normal");
  CFPtr<CFStringRef> proof = Text("Proof");
  CFDictionarySetValue(dictionary.get(), key.get(), normal.get());
  EXPECT_EQ(RetainCounts({key.get(), normal.get(), proof.get()}), (Counts{2, 2, 1}));
  CFDictionarySetValue(dictionary.get(), Text("PrintMode").get(), proof.get());  // an equal key
  EXPECT_EQ(RetainCounts({key.get(), normal.get(), proof.get()}), (Counts{2, 1, 2}));
  CFDictionarySetValue(dictionary.get(), key.get(), proof.get());  // the same value again
  EXPECT_EQ(RetainCounts({key.get(), normal.get(), proof.get()}), (Counts{2, 1, 2}));
  EXPECT_EQ(CFDictionaryGetCount(dictionary.get()), 1);
  EXPECT_EQ(CFDictionaryGetValue(dictionary.get(), CFSTR("PrintMode")), proof.get());
  CFDictionaryRemoveValue(dictionary.get(), CFSTR("PrintMode"));
  EXPECT_EQ(RetainCounts({key.get(), normal.get(), proof.get()}), (Counts{1, 1, 1}));
  EXPECT_FALSE(CFDictionaryContainsKey(dictionary.get(), CFSTR("PrintMode")));

  // Without callbacks nothing is retained and keys are compared by identity.
  CFPtr<CFMutableDictionaryRef> plain(CFDictionaryCreateMutable(nullptr, 0, nullptr, nullptr));
  CFDictionarySetValue(plain.get(), key.get(), normal.get());
  EXPECT_EQ(RetainCounts({key.get(), normal.get()}), (Counts{1, 1}));
  EXPECT_EQ(CFDictionaryGetValue(plain.get(), Text("PrintMode").get()), nullptr);
  EXPECT_EQ(CFDictionaryGetValue(plain.get(), key.get()), normal.get());
}

TEST(Dictionary, KeysInInsertionOrderAndCopiesOfTheirOwn) {
  CFPtr<CFMutableDictionaryRef> dictionary = TypeDictionary();
  for (const char* name : {"DINDigit1", "DeptCode", "BlankPage"}) {
    CFDictionarySetValue(dictionary.get(), Text(name).get(), kCFBooleanTrue);
  }
  CFDictionarySetValue(dictionary.get(), CFSTR("DeptCode"), kCFBooleanFalse);
  CFPtr<CFMutableDictionaryRef> copy(CFDictionaryCreateMutableCopy(nullptr, 0, dictionary.get()));
  EXPECT_TRUE(CFEqual(copy.get(), dictionary.get()));
  CFDictionarySetValue(copy.get(), CFSTR("DeptCode"), kCFBooleanTrue);
  EXPECT_FALSE(CFEqual(copy.get(), dictionary.get()));
  EXPECT_EQ(CFDictionaryCreateMutableCopy(nullptr, 2, dictionary.get()), nullptr);  // too small
  CFPtr<CFStringRef> description(CFCopyDescription(dictionary.get()));
  EXPECT_EQ(pde::ToUTF8(description.get()),
            "{\n    DINDigit1 = true;\n    DeptCode = false;\n    BlankPage = true;\n}");

  const void* key = CFSTR("a");
  CFPtr<CFDictionaryRef> fixed(CFDictionaryCreate(
      nullptr, &key, &key, 1, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
  CFDictionarySetValue(const_cast<CFMutableDictionaryRef>(fixed.get()), CFSTR("c"), CFSTR("d"));
  const void* found = nullptr;
  EXPECT_FALSE(CFDictionaryGetValueIfPresent(fixed.get(), CFSTR("c"), &found));
  EXPECT_TRUE(CFDictionaryGetValueIfPresent(fixed.get(), CFSTR("a"), &found));
  EXPECT_EQ(found, key);
  CFDictionaryRemoveAllValues(dictionary.get());
  EXPECT_EQ(CFDictionaryGetCount(dictionary.get()), 0);
}

// Past a few keys a dictionary finds them through its hash table: the same answers, the same
// insertion order, keys hashed by CFHash (strings, numbers) or by address (no callbacks).
TEST(Dictionary, ManyKeysKeepTheirOrderThroughRemovalsAndCopies) {
  constexpr int kCount = 1000;
  CFPtr<CFMutableDictionaryRef> strings = TypeDictionary();
  CFPtr<CFMutableDictionaryRef> addresses(CFDictionaryCreateMutable(nullptr, 0, nullptr, nullptr));
  std::vector<CFPtr<CFNumberRef>> numbers;
  for (int i = 0; i < kCount; ++i) {
    numbers.emplace_back(CFNumberCreate(nullptr, kCFNumberIntType, &i));
    CFDictionarySetValue(strings.get(), pde::MakeString("K" + std::to_string(i)).get(),
                         numbers.back().get());
    CFDictionarySetValue(addresses.get(), numbers.back().get(), numbers.back().get());
  }
  for (int i = 0; i < kCount; i += 2) {
    CFDictionaryRemoveValue(strings.get(), pde::MakeString("K" + std::to_string(i)).get());
  }
  CFPtr<CFMutableDictionaryRef> copy(CFDictionaryCreateMutableCopy(nullptr, 0, strings.get()));
  ASSERT_EQ(CFDictionaryGetCount(copy.get()), kCount / 2);
  EXPECT_TRUE(CFEqual(copy.get(), strings.get()));
  std::vector<const void*> keys(kCount / 2);
  CFDictionaryGetKeysAndValues(copy.get(), keys.data(), nullptr);
  for (int i = 0; i < kCount; ++i) {
    const std::string key = "K" + std::to_string(i);
    EXPECT_EQ(pde::ToUTF8(static_cast<CFStringRef>(keys[i / 2])), "K" + std::to_string(i | 1));
    EXPECT_EQ(CFDictionaryGetValue(copy.get(), pde::MakeString(key).get()),
              i % 2 ? numbers[i].get() : nullptr)
        << key;
    int value = i;  // an equal number, another object: found by CFHash, not by address
    CFPtr<CFNumberRef> equal(CFNumberCreate(nullptr, kCFNumberIntType, &value));
    EXPECT_EQ(CFDictionaryGetValue(addresses.get(), numbers[i].get()), numbers[i].get());
    EXPECT_EQ(CFDictionaryGetValue(addresses.get(), equal.get()), nullptr);
  }
}

TEST(Collections, DescriptionsOfEveryTypeNested) {
  int three = 3;
  double half = 0.5;
  const UInt8 bytes[] = {0x00, 0xAB};
  const char path[] = "/tmp/x.bundle";
  CFPtr<CFNumberRef> integer(CFNumberCreate(nullptr, kCFNumberIntType, &three));
  CFPtr<CFNumberRef> real(CFNumberCreate(nullptr, kCFNumberDoubleType, &half));
  CFPtr<CFDataRef> data(CFDataCreate(nullptr, bytes, 2));
  CFPtr<CFURLRef> url(CFURLCreateFromFileSystemRepresentation(
      nullptr, reinterpret_cast<const UInt8*>(path), sizeof path - 1, true));
  const void* items[] = {CFSTR("Normal"), integer.get(), real.get(), data.get(), url.get()};
  CFPtr<CFArrayRef> array(CFArrayCreate(nullptr, items, 5, &kCFTypeArrayCallBacks));
  CFPtr<CFMutableDictionaryRef> dictionary = TypeDictionary();
  CFDictionarySetValue(dictionary.get(), CFSTR("Items"), array.get());
  CFDictionarySetValue(dictionary.get(), CFSTR("Empty"), Text("").get());
  CFPtr<CFStringRef> description(CFCopyDescription(dictionary.get()));
  EXPECT_EQ(pde::ToUTF8(description.get()),
            "{\n    Items = (\n        Normal,\n        3,\n        0.5,\n        <00ab>,\n"
            "        file:///tmp/x.bundle/\n    );\n    Empty = ;\n}");
}

TEST(Collections, AllocationFailuresLeaveNothingBehind) {
  CFPtr<CFMutableDictionaryRef> source = TypeDictionary();
  CFPtr<CFStringRef> value = Text("kept");
  CFDictionarySetValue(source.get(), CFSTR("k"), value.get());
  pde::FailAllocations("CFArray", 1);
  EXPECT_EQ(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks), nullptr);
  pde::FailAllocations("CFDictionary", 1);
  EXPECT_EQ(CFDictionaryCreateMutableCopy(nullptr, 0, source.get()), nullptr);
  EXPECT_EQ(CFGetRetainCount(value.get()), 2);
  // The hash table a growing dictionary needs: the key is not stored, nothing is retained.
  for (int i = 1; i < 16; ++i) {
    CFDictionarySetValue(source.get(), pde::MakeString("k" + std::to_string(i)).get(), value.get());
  }
  pde::FailAllocations("CFDictionary", 1);
  ::testing::internal::CaptureStderr();
  CFDictionarySetValue(source.get(), CFSTR("one too many"), value.get());
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Core Foundation: out of memory\n");
  EXPECT_EQ(CFDictionaryGetCount(source.get()), 16);
  EXPECT_EQ(CFGetRetainCount(value.get()), 17);
  CFDictionarySetValue(source.get(), CFSTR("one too many"), value.get());
  EXPECT_EQ(CFDictionaryGetValue(source.get(), CFSTR("one too many")), value.get());
}

}  // namespace
