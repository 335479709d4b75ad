"""The CI verdict's own test."""
