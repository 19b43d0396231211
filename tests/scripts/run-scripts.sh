#!/usr/bin/env bash
echo ok
