"""Counting and printing test results."""

import json
from dataclasses import dataclass, field


@dataclass
class Results:
    passed: int = 0
    failed: int = 0
    skipped: int = 0
    failures: list = field(default_factory=list)

    def add(self, other):
        self.passed += other.passed
        self.failed += other.failed
        self.skipped += other.skipped
        self.failures.extend(other.failures)

    def fail(self, name):
        self.failed += 1
        self.failures.append(name)

    def summary(self):
        text = f"{self.passed} passed, {self.failed} failed"
        if self.skipped:
            text += f", {self.skipped} skipped"
        return text

    def save(self, path):
        with open(path, "w", encoding="utf-8") as out:
            json.dump(self.__dict__, out)

    @classmethod
    def load(cls, path):
        with open(path, encoding="utf-8") as source:
            return cls(**json.load(source))
