// CollectionTest.cc: arrays and dictionaries: ownership through their callbacks, order, equality.
#include <gtest/gtest.h>

#include <vector>

#include "pde/CFHost.h"
#include "pde/Diagnostics.h"

namespace {

using pde::CFPtr;

CFPtr<CFStringRef> Text(const char* text) {
  return pde::MakeString(text);
}

CFPtr<CFMutableDictionaryRef> TypeDictionary() {
  return CFPtr<CFMutableDictionaryRef>(CFDictionaryCreateMutable(
      nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
}

TEST(Array, TypeCallbacksRetainOnAppendAndReleaseOnRemovalAndDestruction) {
  CFPtr<CFStringRef> first = Text("first");
  CFPtr<CFStringRef> second = Text("second");
  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  CFArrayAppendValue(array, first.get());
  CFArrayAppendValue(array, second.get());
  CFArrayAppendValue(array, first.get());
  EXPECT_EQ(CFGetRetainCount(first.get()), 3);
  EXPECT_EQ(CFGetRetainCount(second.get()), 2);
  EXPECT_EQ(CFArrayGetCount(array), 3);
  EXPECT_EQ(CFArrayGetValueAtIndex(array, 1), second.get());
  EXPECT_EQ(CFArrayGetValueAtIndex(array, 3), nullptr);
  EXPECT_EQ(CFArrayGetValueAtIndex(array, -1), nullptr);
  CFArrayRemoveValueAtIndex(array, 0);
  EXPECT_EQ(CFGetRetainCount(first.get()), 2);
  EXPECT_EQ(CFArrayGetValueAtIndex(array, 0), second.get());
  CFArrayRemoveValueAtIndex(array, 5);  // out of range: nothing happens
  EXPECT_EQ(CFArrayGetCount(array), 2);
  CFRelease(array);
  EXPECT_EQ(CFGetRetainCount(first.get()), 1);
  EXPECT_EQ(CFGetRetainCount(second.get()), 1);
}

TEST(Array, ImmutableArraysCapacityAndPlainPointers) {
  CFPtr<CFStringRef> value = Text("v");
  const void* values[] = {value.get(), value.get()};
  CFPtr<CFArrayRef> fixed(CFArrayCreate(nullptr, values, 2, &kCFTypeArrayCallBacks));
  EXPECT_EQ(CFGetRetainCount(value.get()), 3);
  CFArrayAppendValue(const_cast<CFMutableArrayRef>(fixed.get()), value.get());  // refused
  EXPECT_EQ(CFArrayGetCount(fixed.get()), 2);

  CFPtr<CFMutableArrayRef> limited(CFArrayCreateMutable(nullptr, 1, &kCFTypeArrayCallBacks));
  CFArrayAppendValue(limited.get(), value.get());
  CFArrayAppendValue(limited.get(), value.get());  // beyond its capacity: refused
  EXPECT_EQ(CFArrayGetCount(limited.get()), 1);
  EXPECT_EQ(CFGetRetainCount(value.get()), 4);

  int plain = 0;
  CFPtr<CFMutableArrayRef> pointers(CFArrayCreateMutable(nullptr, 0, nullptr));
  CFArrayAppendValue(pointers.get(), &plain);
  CFArrayAppendValue(pointers.get(), value.get());
  EXPECT_EQ(CFArrayGetValueAtIndex(pointers.get(), 0), &plain);
  EXPECT_EQ(CFGetRetainCount(value.get()), 4);  // not retained
  CFArrayRemoveAllValues(pointers.get());
  EXPECT_EQ(CFGetRetainCount(value.get()), 4);  // nor released

  CFPtr<CFMutableArrayRef> same(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
  CFArrayAppendValue(same.get(), Text("v").get());
  CFArrayAppendValue(same.get(), Text("v").get());
  EXPECT_TRUE(CFEqual(same.get(), fixed.get()));  // element by element, by value
  CFArrayRemoveAllValues(same.get());
  EXPECT_EQ(CFArrayGetCount(same.get()), 0);
  EXPECT_FALSE(CFEqual(same.get(), fixed.get()));
}

TEST(Dictionary, SetValueRetainsTheNewValueAndReleasesTheOneItReplaces) {
  CFPtr<CFMutableDictionaryRef> dictionary = TypeDictionary();
  CFPtr<CFStringRef> key = Text("PrintMode");
  CFPtr<CFStringRef> normal = Text("Normal");
  CFPtr<CFStringRef> proof = Text("Proof");
  CFDictionarySetValue(dictionary.get(), key.get(), normal.get());
  EXPECT_EQ(CFGetRetainCount(key.get()), 2);
  EXPECT_EQ(CFGetRetainCount(normal.get()), 2);
  CFDictionarySetValue(dictionary.get(), Text("PrintMode").get(), proof.get());  // equal key
  EXPECT_EQ(CFDictionaryGetCount(dictionary.get()), 1);
  EXPECT_EQ(CFGetRetainCount(normal.get()), 1);
  EXPECT_EQ(CFGetRetainCount(proof.get()), 2);
  EXPECT_EQ(CFGetRetainCount(key.get()), 2);                       // the first key stays
  CFDictionarySetValue(dictionary.get(), key.get(), proof.get());  // the same value again
  EXPECT_EQ(CFGetRetainCount(proof.get()), 2);
  EXPECT_EQ(CFDictionaryGetValue(dictionary.get(), CFSTR("PrintMode")), proof.get());
  CFDictionaryRemoveValue(dictionary.get(), CFSTR("PrintMode"));
  EXPECT_EQ(CFGetRetainCount(proof.get()), 1);
  EXPECT_EQ(CFGetRetainCount(key.get()), 1);
  EXPECT_FALSE(CFDictionaryContainsKey(dictionary.get(), CFSTR("PrintMode")));
}

TEST(Dictionary, KeysAndValuesInInsertionOrderAndCopies) {
  CFPtr<CFMutableDictionaryRef> dictionary = TypeDictionary();
  const char* names[] = {"DINDigit1", "DeptCode", "BlankPage", "DCDigit5"};
  for (const char* name : names) {
    CFDictionarySetValue(dictionary.get(), Text(name).get(), CFSTR("True"));
  }
  CFDictionarySetValue(dictionary.get(), CFSTR("DeptCode"), CFSTR("False"));
  std::vector<const void*> keys(4), values(4);
  CFDictionaryGetKeysAndValues(dictionary.get(), keys.data(), values.data());
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(pde::ToUTF8(static_cast<CFStringRef>(keys[i])), names[i]);
  }
  EXPECT_EQ(values[1], CFSTR("False"));

  CFPtr<CFMutableDictionaryRef> copy(CFDictionaryCreateMutableCopy(nullptr, 0, dictionary.get()));
  EXPECT_TRUE(CFEqual(copy.get(), dictionary.get()));
  CFDictionarySetValue(copy.get(), CFSTR("DeptCode"), CFSTR("True"));
  EXPECT_FALSE(CFEqual(copy.get(), dictionary.get()));
  EXPECT_EQ(CFDictionaryGetValue(dictionary.get(), CFSTR("DeptCode")), CFSTR("False"));
  EXPECT_EQ(CFDictionaryCreateMutableCopy(nullptr, 2, dictionary.get()), nullptr);

  const void* fixedKeys[] = {CFSTR("a")};
  const void* fixedValues[] = {CFSTR("b")};
  CFPtr<CFDictionaryRef> fixed(CFDictionaryCreate(nullptr, fixedKeys, fixedValues, 1,
                                                  &kCFTypeDictionaryKeyCallBacks,
                                                  &kCFTypeDictionaryValueCallBacks));
  CFDictionarySetValue(const_cast<CFMutableDictionaryRef>(fixed.get()), CFSTR("c"), CFSTR("d"));
  EXPECT_EQ(CFDictionaryGetCount(fixed.get()), 1);
  const void* found = nullptr;
  EXPECT_TRUE(CFDictionaryGetValueIfPresent(fixed.get(), CFSTR("a"), &found));
  EXPECT_EQ(found, CFSTR("b"));
  CFDictionaryRemoveAllValues(dictionary.get());
  EXPECT_EQ(CFDictionaryGetCount(dictionary.get()), 0);
}

TEST(Dictionary, NullCallbacksCompareKeysByIdentity) {
  CFPtr<CFMutableDictionaryRef> dictionary(CFDictionaryCreateMutable(nullptr, 0, nullptr, nullptr));
  CFPtr<CFStringRef> key = Text("k");
  CFDictionarySetValue(dictionary.get(), key.get(), key.get());
  EXPECT_EQ(CFGetRetainCount(key.get()), 1);
  EXPECT_EQ(CFDictionaryGetValue(dictionary.get(), Text("k").get()), nullptr);
  EXPECT_EQ(CFDictionaryGetValue(dictionary.get(), key.get()), key.get());
}

TEST(Collections, NestedDescription) {
  CFPtr<CFMutableDictionaryRef> dictionary = TypeDictionary();
  CFPtr<CFMutableArrayRef> array(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
  CFArrayAppendValue(array.get(), CFSTR("Normal"));
  CFArrayAppendValue(array.get(), CFSTR("Proof"));
  CFDictionarySetValue(dictionary.get(), CFSTR("Modes"), array.get());
  CFDictionarySetValue(dictionary.get(), CFSTR("Empty"), Text("").get());
  CFPtr<CFStringRef> description(CFCopyDescription(dictionary.get()));
  EXPECT_EQ(pde::ToUTF8(description.get()),
            "{\n    Modes = (\n        Normal,\n        Proof\n    );\n    Empty = ;\n}");
}

TEST(Collections, AllocationFailuresLeaveNothingBehind) {
  pde::FailAllocations("CFArray", 1);
  EXPECT_EQ(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks), nullptr);
  pde::FailAllocations("CFDictionary", 1);
  EXPECT_EQ(CFDictionaryCreateMutable(nullptr, 0, nullptr, nullptr), nullptr);
  CFPtr<CFMutableDictionaryRef> source = TypeDictionary();
  CFPtr<CFStringRef> value = Text("kept");
  CFDictionarySetValue(source.get(), CFSTR("k"), value.get());
  pde::FailAllocations("CFDictionary", 1);
  EXPECT_EQ(CFDictionaryCreateMutableCopy(nullptr, 0, source.get()), nullptr);
  EXPECT_EQ(CFGetRetainCount(value.get()), 2);
}

}  // namespace
